* ---------------------------------------------------------------------------
* Monitor program of the MC6809 lab computer (8 KB ROM at $E000-$FFFF).
*
* Operated through the hex keypad and the eight-digit display:
*   A  address mode    hex keys shift into the address, + / - step it
*   D  data mode       hex keys shift into the byte at the address (written at once)
*   R  register mode   + / - choose the register, hex keys shift into its value
*   G  go              run from the shown address (register mode: from the image's PC)
*   T  trace           run exactly one instruction from the image's PC
*   F1 / F2            insert / delete a byte at the address ($0400-$1FFF only)
*   F3 dump, S save (Intel HEX), L load (Intel HEX) over the ACIA, 1200 baud 8N2
*
* Memory use:
*   $00E0-$00E9  interrupt hooks (IRQ, FIRQ, NMI, SWI2, SWI3): non-zero = user handler
*   $00F2-$00FF  register image (S, CC, A, B, DP, X, Y, U, PC; high byte first)
*   $0300-$03FF  monitor variables (from $0300) and stack (down from $03FF)
*   $0400-$1FFF  program memory of the user
*
* The monitor itself always runs with DP = 0 and I, F set. Code that may run
* with the user's DP (the interrupt entries) addresses page zero with '>'.
* ---------------------------------------------------------------------------

* ---- hardware ----
PIADRA  EQU     $F000           ; port A data (CRA bit 2 = 1)
PIACRA  EQU     $F001           ; port A control: CA1 is the Break key
ACDATA  EQU     $F008           ; ACIA transmit / receive data
ACSTAT  EQU     $F009           ; ACIA status (write: programmed reset)
ACCOM   EQU     $F00A           ; ACIA command
ACCON   EQU     $F00B           ; ACIA control
KEYS    EQU     $F010           ; seven keypad columns, rows in bits 0-3
TMCR13  EQU     $F018           ; timer CR1 or CR3 (by CR2 bit 0)
TMCR2   EQU     $F019           ; timer CR2 (write) / status (read)
TMSTAT  EQU     $F019
TMT1    EQU     $F01A           ; timer 1 counter / latch, MSB first
TMT2    EQU     $F01C           ; timer 2
TMT3    EQU     $F01E           ; timer 3
DISP    EQU     $F020           ; low pattern bytes S0..S7
DISPHI  EQU     $F028           ; high pattern bytes S0..S7

* ---- page zero: hooks and register image ----
HIRQ    EQU     $00E0
HFIRQ   EQU     $00E2
HNMI    EQU     $00E4
HSWI2   EQU     $00E6
HSWI3   EQU     $00E8
IS      EQU     $00F2
ICC     EQU     $00F4
IA      EQU     $00F5
IB      EQU     $00F6
IDP     EQU     $00F7
IX      EQU     $00F8
IY      EQU     $00FA
IU      EQU     $00FC
IPC     EQU     $00FE

* ---- monitor variables ----
MSTACK  EQU     $0400           ; first push goes to $03FF
MODE    EQU     $0300           ; what the display shows (M... below)
MSGRET  EQU     $0301           ; mode a message returns to
REGI    EQU     $0302           ; register shown in register mode
TRQ     EQU     $0303           ; go request: 0 = run, 1 = one instruction
TRACING EQU     $0304           ; 1 while one instruction is traced, TRIAL in TIMCHK
BRIGHT  EQU     $0305           ; bit n set: digit Sn at full brightness
DCNT    EQU     $0306           ; debounce count of the key candidate
ERRC    EQU     $0307           ; error number shown in S0, $FF = none
MSGP    EQU     $0308           ; message patterns (2)
ADDR    EQU     $030A           ; current address (2)
SVSTART EQU     $030C           ; save range (2)
SVEND   EQU     $030E           ; (2)
FIRSTL  EQU     $0310           ; first address loaded (2)
LFLAG   EQU     $0312           ; load: FIRSTL valid / save: last byte sent
CSUM    EQU     $0313           ; Intel HEX checksum
CNT     EQU     $0314           ; byte counter
RTYPE   EQU     $0315           ; Intel HEX record type
LINES   EQU     $0316           ; dump line counter
TMPN    EQU     $0317           ; hex digit being assembled
TMP     EQU     $0318           ; running address (2)
DBUF    EQU     $0320           ; display patterns S7..S0 (8)
RAW     EQU     $0328           ; keypad as read now (7)
CAND    EQU     $0330           ; keypad state being debounced (7)
STABLE  EQU     $0338           ; debounced keypad state (7)
PEND    EQU     $0340           ; new presses not yet handled (7)
MARKT   EQU     $0348           ; scans left before an interrupt mark gives way (2)
NMIHELD EQU     $034A           ; an NMI without a hook left a timer flag set
VAREND  EQU     $0350

* ---- display modes ----
MGREET  EQU     0
MADDR   EQU     1
MDATA   EQU     2
MREG    EQU     3
MSVS    EQU     4               ; save range, start field
MSVE    EQU     5               ; save range, end field
MMSG    EQU     6               ; done / error message

* ---- key values (hex keys are 0-15) ----
KTRACE  EQU     $10
KINS    EQU     $11
KDEL    EQU     $12
KDUMP   EQU     $13
KSAVE   EQU     $14
KREG    EQU     $15
KADDR   EQU     $16
KPLUS   EQU     $17
KLOAD   EQU     $18
KGO     EQU     $19
KDATA   EQU     $1A
KMINUS  EQU     $1B

TRIAL   EQU     2
DEBN    EQU     6               ; scans a key state must last (about 2 ms)
NREGS   EQU     9
MARKN   EQU     1000            ; scans an interrupt mark stays (about 0.5 s)

* Timer 1 count for a single step. The latch write (STD extended, 6 cycles)
* and the RTI with the entire state (15 cycles) are counted before the user's
* instruction, so the time-out falls on its first cycle and the NMI is taken
* right after it, whatever its length.
TRN     EQU     21

        ORG     $E000

* ===========================================================================
* Reset
* ===========================================================================
RESET   ORCC    #$50
        LDS     #MSTACK         ; also arms NMI
        CLRA
        TFR     A,DP
        LDX     #MODE
RS1     CLR     ,X+
        CMPX    #VAREND
        BNE     RS1
        LDX     #HIRQ           ; hooks and register image
RS2     CLR     ,X+
        CMPX    #$0100
        BNE     RS2
        LDD     #$0300
        STD     >IS
        LDA     #$40            ; IRQ enabled: Break stops a program
        STA     >ICC
        LDD     #$0400
        STD     >IPC
        STD     ADDR
        STD     SVSTART
        LDD     #$07FF
        STD     SVEND
        JSR     INITIO
        LDA     #MGREET
        STA     MODE
        JSR     SHOW
MAIN    JSR     SCANKEY
        BCS     MN2
        LDD     MARKT           ; an interrupt mark gives way to the registers
        BEQ     MAIN
        SUBD    #1
        STD     MARKT
        BNE     MAIN
        JSR     DISMISS
        BRA     MAIN
MN2     JSR     DOKEY
        BRA     MAIN

* Ends any command: forget its stack, redraw, wait for keys.
FINISH  LDS     #MSTACK
        JSR     SHOW
        JMP     MAIN

INITIO  LDA     #$05            ; CA1 falling edge with interrupt, DRA selected
        STA     PIACRA
        BSR     TIMINIT
        JSR     ACINIT
        RTS

* Timer 1 in pulse-width comparison mode sets its flag only at the first
* time-out after a latch write, so each trace raises exactly one NMI and the
* counter runs on silently afterwards. The first time-out is spent here with
* the interrupt still disabled.
TIMINIT LDA     #$01
        STA     TMCR2           ; offset 0 addresses CR1
        LDA     #$2A            ; mode 5, internal clock, counters released
        STA     TMCR13
        LDD     #TRN
        STD     TMT1
        LDB     #40
IT1     DECB
        BNE     IT1
        LDA     TMSTAT
        LDD     TMT1            ; status then counter: clears flag 1
        LDA     #$6A            ; the same with its interrupt enabled
        STA     TMCR13
        CLRA
        STA     TMCR2           ; CR2 back to its reset value
        RTS

* A program may have reprogrammed timer 1. If it no longer counts down
* from TRN, or no longer interrupts (a trial time-out brings no NMI), set
* it up again (this writes CR2 as after a reset).
TIMCHK  LDD     TMT1
        CMPD    #TRN
        BHI     TIMINIT
        STD     TMP
        LDD     TMT1
        CMPD    TMP
        BEQ     TIMINIT
        LDA     #TRIAL
        STA     TRACING
        LDD     #TRN
        STD     TMT1
        LDB     #30             ; waits far longer than TRN cycles
TC1     TST     TRACING
        BEQ     TC9
        DECB
        BNE     TC1
        CLR     TRACING
        BRA     TIMINIT
TC9     RTS

ACINIT  STA     ACSTAT          ; programmed reset
        LDA     #$98            ; 1200 baud, 8 data bits, 2 stop bits
        STA     ACCON
        LDA     #$0B            ; no parity, RTS on, no interrupts, DTR on
        STA     ACCOM
        RTS

* ===========================================================================
* Keypad
* ===========================================================================
* SCANKEY: one scan. Returns C = 1 and A = key number (column * 4 + row) for
* a newly pressed key, C = 0 if there is none. A key state counts once it
* has been read unchanged DEBN times; only keys that were up before act.
SCANKEY LDX     #KEYS
        LDY     #RAW
SK1     LDA     ,X+
        ANDA    #$0F
        STA     ,Y+
        CMPX    #KEYS+7
        BNE     SK1
        LDX     #RAW
SK2     LDA     ,X
        CMPA    CAND-RAW,X
        BNE     SKNEW
        LEAX    1,X
        CMPX    #RAW+7
        BNE     SK2
        LDA     DCNT
        CMPA    #DEBN
        BHS     SKPEND
        INCA
        STA     DCNT
        CMPA    #DEBN
        BNE     SKPEND
        LDX     #CAND           ; settled: note the new presses
SK3     LDA     STABLE-CAND,X
        COMA
        ANDA    ,X
        ORA     PEND-CAND,X
        STA     PEND-CAND,X
        LDA     ,X
        STA     STABLE-CAND,X
        LEAX    1,X
        CMPX    #CAND+7
        BNE     SK3
        BRA     SKPEND
SKNEW   LDX     #RAW            ; changed: debounce the new state
SK4     LDA     ,X
        STA     CAND-RAW,X
        LEAX    1,X
        CMPX    #RAW+7
        BNE     SK4
        CLR     DCNT
SKPEND  LDX     #PEND
        CLRB
SK5     LDA     ,X
        BNE     SK6
        ADDB    #4
        LEAX    1,X
        CMPX    #PEND+7
        BNE     SK5
        ANDCC   #$FE
        RTS
SK6     LDA     #$01
SK7     BITA    ,X
        BNE     SK8
        INCB
        LSLA
        BRA     SK7
SK8     COMA
        ANDA    ,X
        STA     ,X
        TFR     B,A
        ORCC    #$01
        RTS

* Key number -> key value. Rows bit 0..3 of each column.
KEYTAB  FCB     KDUMP,KDEL,KINS,KTRACE          ; $F010: F3 F2 F1 T
        FCB     $0,$4,$8,$C                     ; $F011
        FCB     $1,$5,$9,$D                     ; $F012
        FCB     $2,$6,$A,$E                     ; $F013
        FCB     $3,$7,$B,$F                     ; $F014
        FCB     KPLUS,KADDR,KREG,KSAVE          ; $F015: + A R S
        FCB     KMINUS,KDATA,KGO,KLOAD          ; $F016: - D G L

DOKEY   PSHS    A
        LDD     #0              ; a key ends an interrupt mark at once
        STD     MARKT
        JSR     FIXVARS
        PULS    A
        LDX     #KEYTAB
        LDA     A,X
        CMPA    #$10
        BHS     DOFUNC
        LDB     MODE            ; hex key
        ASLB
        LDX     #DIGTAB
        JMP     [B,X]

DOFUNC  LDB     MODE
        CMPB    #MMSG
        BNE     DF1
        LDB     MSGRET          ; a message goes away with any key
        STB     MODE
        CMPA    #KPLUS
        BEQ     DF2
        CMPA    #KMINUS
        BEQ     DF2
DF1     SUBA    #$10
        ASLA
        LDX     #FUNTAB
        JMP     [A,X]
DF2     JMP     SHOW

DIGTAB  FDB     DGNONE,DGADDR,DGDATA,DGREG,DGSVS,DGSVE,DISMISS
FUNTAB  FDB     FTRACE,FINS,FDEL,FDUMP,FSAVE,FREG
        FDB     FADDR,FPLUS,FLOAD,FGO,FDATA,FMINUS

DGNONE  RTS

DISMISS LDA     MSGRET
        STA     MODE
        JMP     SHOW

DGADDR  LDX     #ADDR
        BSR     SHIFT16
        JMP     SHOW

DGDATA  LDX     ADDR
        JSR     CHKMON
        LBCS    ERRMON
        BSR     SHIFT8          ; written at once, shown as read back
        JMP     SHOW

DGREG   JSR     REGPTR
        CMPB    #1
        BEQ     DGR8
        BSR     SHIFT16
        JMP     SHOW
DGR8    BSR     SHIFT8
        JMP     SHOW

DGSVS   LDX     #SVSTART
        BSR     SHIFT16
        JMP     SHOW

DGSVE   LDX     #SVEND
        BSR     SHIFT16
        JMP     SHOW

* Shift hex digit A into the word / byte at X.
SHIFT16 LDB     #4
SH1     ASL     1,X
        ROL     ,X
        DECB
        BNE     SH1
        ORA     1,X
        STA     1,X
        RTS

SHIFT8  LDB     ,X
        ASLB
        ASLB
        ASLB
        ASLB
        PSHS    B
        ORA     ,S+
        STA     ,X
        RTS

* REGPTR: X = image address of the register shown, B = its size,
* U = its table entry. A is kept.
REGPTR  PSHS    A
        LDB     REGI
        ASLB
        ASLB
        LDU     #REGTAB
        LEAU    B,U
        LDB     2,U
        CLRA
        TFR     D,X
        LDB     3,U
        PULS    A,PC

* name (S7, S6), image address, size. X is shown as 'H'.
REGTAB  FCB     $73,$39,IPC,2   ; PC
        FCB     $77,$00,IA,1    ; A
        FCB     $7C,$00,IB,1    ; b
        FCB     $76,$00,IX,2    ; X
        FCB     $6E,$00,IY,2    ; y
        FCB     $3E,$00,IU,2    ; U
        FCB     $6D,$00,IS,2    ; S
        FCB     $5E,$73,IDP,1   ; dP
        FCB     $39,$39,ICC,1   ; CC

* ---- function keys ----
FADDR   LDA     #MADDR
        STA     MODE
        JMP     SHOW

FDATA   LDA     #MDATA
        STA     MODE
        JMP     SHOW

FREG    LDA     #MREG
        STA     MODE
        CLR     REGI
        JMP     SHOW

FSAVE   LDD     ADDR
        STD     SVSTART
        LDA     #MSVS
        STA     MODE
        JMP     SHOW

FPLUS   LDA     MODE
        CMPA    #MADDR
        BEQ     FP1
        CMPA    #MDATA
        BEQ     FP1
        CMPA    #MREG
        BEQ     FP2
        CMPA    #MSVS
        BEQ     FP3
        RTS
FP1     LDX     ADDR
        LEAX    1,X
        STX     ADDR
        JMP     SHOW
FP2     LDA     REGI
        INCA
        CMPA    #NREGS
        BLO     FP4
        CLRA
FP4     STA     REGI
        JMP     SHOW
FP3     LDA     #MSVE
        STA     MODE
        JMP     SHOW

FMINUS  LDA     MODE
        CMPA    #MADDR
        BEQ     FM1
        CMPA    #MDATA
        BEQ     FM1
        CMPA    #MREG
        BEQ     FM2
        CMPA    #MSVE
        BEQ     FM3
        RTS
FM1     LDX     ADDR
        LEAX    -1,X
        STX     ADDR
        JMP     SHOW
FM2     LDA     REGI
        DECA
        BPL     FM4
        LDA     #NREGS-1
FM4     STA     REGI
        JMP     SHOW
FM3     LDA     #MSVS
        STA     MODE
        JMP     SHOW

* Modes other than address and data fall back to address mode.
ADRMODE LDA     MODE
        CMPA    #MDATA
        BEQ     AM1
        LDA     #MADDR
        STA     MODE
AM1     RTS

* C = 1 if ADDR is outside the program memory $0400-$1FFF.
CHKPROG LDD     ADDR
        CMPD    #$0400
        BLO     CP1
        CMPD    #$2000
        BHS     CP1
        ANDCC   #$FE
        RTS
CP1     ORCC    #$01
        RTS

* F1: insert a $00 at ADDR; the byte at $1FFF drops out.
FINS    BSR     ADRMODE
        BSR     CHKPROG
        BCS     ERRADR
        LDD     #$1FFF
        SUBD    ADDR
        TFR     D,Y
        LDX     #$1FFF
        CMPY    #0
        BEQ     FI2
FI1     LDA     ,-X
        STA     1,X
        LEAY    -1,Y
        BNE     FI1
FI2     LDX     ADDR
        CLR     ,X
        JMP     SHOW

* F2: delete the byte at ADDR; $1FFF becomes $00.
FDEL    BSR     ADRMODE
        BSR     CHKPROG
        BCS     ERRADR
        LDD     #$1FFF
        SUBD    ADDR
        TFR     D,Y
        LDX     ADDR
        CMPY    #0
        BEQ     FD2
FD1     LDA     1,X
        STA     ,X+
        LEAY    -1,Y
        BNE     FD1
FD2     CLR     $1FFF
        JMP     SHOW

* C = 1 if X lies in the monitor's page $0300-$03FF.
CHKMON  CMPX    #$0300
        BLO     CM1
        CMPX    #$0400
        BHS     CM1
        ORCC    #$01
        RTS
CM1     ANDCC   #$FE
        RTS

ERRMON  LDA     #6
        BRA     ERROR
ERRADR  LDA     #1
* ERROR: show error number A; the message returns to the current mode.
ERROR   LDX     #PERR
        LDB     MODE
* SETMSG: show message X with number A ($FF: none), returning to mode B.
SETMSG  STX     MSGP
        STA     ERRC
        STB     MSGRET
        LDA     #MMSG
        STA     MODE
        JMP     FINISH

DONE    LDX     #PDONE
        LDA     #$FF
        LDB     MODE
        BRA     SETMSG

* ===========================================================================
* Go and trace
* ===========================================================================
FGO     LDA     MODE
        CMPA    #MSVS
        LBEQ    SENDHEX
        CMPA    #MSVE
        LBEQ    SENDHEX
        CMPA    #MADDR
        BEQ     FG1
        CMPA    #MDATA
        BNE     FG2
FG1     LDD     ADDR
        STD     >IPC
FG2     LDX     #PRUN
        LDA     #$00
        JSR     SHTEXT
        CLR     TRQ
        BRA     GOCOM

FTRACE  LDA     #1
        STA     TRQ
* Enter the user program: the register image becomes an interrupt frame
* (entire state) below the image's S and an RTI loads it. No subroutine is
* called once the frame is written: it may overlay the monitor's stack.
* The frame must lie in RAM, or the RTI would load whatever ROM or the
* input/output registers hold there.
GOCOM   LDX     >IS
        CMPX    #12
        BLO     GCRAM
        CMPX    #$2000
        BHI     GCRAM
        CMPX    #$0301
        BLO     GC0
        CMPX    #VAREND+12
        BHI     GC0
        LDA     #6              ; the frame would overwrite the monitor's variables
        JMP     ERROR
GCRAM   LDA     #7
        JMP     ERROR
GC0     JSR     CLRBRK
        LDU     #GC7
        BRA     NMIACK
GC7     TST     TRQ
        BEQ     GC3
        JSR     TIMCHK
* A frame overlapping the image itself (S from $00F5 to $010B) is copied
* in the direction that reads each byte before it is overwritten.
GC3     LDX     >IS
        LEAX    -12,X
        LDB     #12
        CMPX    #ICC
        BHI     GC4
        LDY     #ICC
GC1     LDA     ,Y+
        STA     ,X+
        DECB
        BNE     GC1
        LEAX    -12,X
        BRA     GC5
GC4     LEAX    12,X
        LDY     #ICC+12
GC6     LDA     ,-Y
        STA     ,-X
        DECB
        BNE     GC6
GC5     LDA     ,X
        ORA     #$80            ; E: RTI restores everything
        STA     ,X
        LDU     #GC8            ; again, in case a fast timer ran out since
        BRA     NMIACK
GC8     TFR     X,S
        LDA     TRQ
        BNE     GC2
        RTI
GC2     STA     TRACING
        LDD     #TRN            ; must stay right before the RTI (see TRN)
        STD     TMT1
        RTI

* A timer flag left set by an NMI without a hook (NMIHELD) holds NMI low,
* and no later NMI, not even the trace's, would come through: clear the
* flags (status, then each counter). Returns through U, as it also runs
* once the frame is written; X is kept.
NMIACK  TST     NMIHELD
        BEQ     NA9
        CLR     NMIHELD
        LDA     TMSTAT
        LDD     TMT1
        LDD     TMT2
        LDD     TMT3
NA9     JMP     ,U

* Clear a Break press that is still pending (CA1 flag).
CLRBRK  LDA     PIACRA
        BPL     CB9
        PSHS    A
        ORA     #$04
        STA     PIACRA
        LDA     PIADRA          ; reading port A clears the flag
        PULS    A
        STA     PIACRA
CB9     RTS

* ===========================================================================
* Interrupt entries
* ===========================================================================
* A program stops at SWI, at Break, and at an IRQ, FIRQ or NMI that it has
* not hooked; the last three show which interrupt it was for a moment (MARKN
* scans or the next key), then the registers.
*
* SWI (and everything that stops a program with an entire-state frame at S):
* copy the frame into the register image and show the registers.
SWIENT
STOPFUL LDU     #SF9
* FRCOPY: copy the frame at S into the image and return through U with
* X = S + 12. The stack may overlap the image; the copy runs in the
* direction that reads each byte before it is overwritten.
FRCOPY  LEAX    ,S
        LDY     #ICC
        LDB     #12
        CMPX    #ICC
        BLO     FC2
FC1     LDA     ,X+
        STA     ,Y+
        DECB
        BNE     FC1
        JMP     ,U
FC2     LEAX    12,X
        LEAY    12,Y
FC3     LDA     ,-X
        STA     ,-Y
        DECB
        BNE     FC3
        LEAX    12,X
        JMP     ,U
SF9     LDY     #0
* STOPMK: the image is complete but for S, which is X. Enter the monitor and
* show the registers, first the mark at Y for a moment unless Y = 0.
STOPMK  STX     >IS
        LDS     #MSTACK
        CLRA
        TFR     A,DP
        ORCC    #$50
        CLR     TRACING
        LDA     >ICC
        ANDA    #$7F            ; E only tells how the state was stacked
        STA     >ICC
        LDA     #MREG
        STA     MODE
        CLR     REGI
        LEAX    ,Y
        BNE     SM2
        STX     MARKT           ; no mark
        JMP     FINISH
SM2     LDD     #MARKN
        STD     MARKT
        LDA     #$FF            ; a message without a number that gives
        LDB     #MREG           ; way to the registers
        JMP     SETMSG

* IRQ: the Break key (CA1 flag) stops the program; other sources go to the
* user's hook, or stop the program if there is none.
IRQENT  TST     PIACRA
        BMI     IRQBRK
        PSHS    X
        LDX     >HIRQ
        BEQ     IRQDEF
        PULS    X
        JMP     [HIRQ]
IRQDEF  PULS    X
        LDU     #IRQST
        BRA     FRCOPY
IRQST   LDY     #PIRQ
        BRA     STOPMK
IRQBRK  JSR     CLRBRK
        JMP     STOPFUL

* FIRQ stacks only CC and PC. Without a hook the other registers are pushed
* below them and PC is moved down next to U: that is an entire-state frame,
* one byte below the program's S.
FIRQENT PSHS    X
        LDX     >HFIRQ
        BEQ     FIRQDEF
        PULS    X
        JMP     [HFIRQ]
FIRQDEF PULS    X
        PSHS    U,Y,X,DP,B,A,CC
        LDA     10,S            ; the CC that FIRQ stacked
        STA     ,S
        LDD     11,S
        STD     10,S
        LDU     #FIRQST
        JMP     FRCOPY
FIRQST  LEAX    1,X
        LDY     #PFIRQ
        JMP     STOPMK

SWI2ENT PSHS    X
        LDX     >HSWI2
        BEQ     SWIDEF
        PULS    X
        JMP     [HSWI2]

SWI3ENT PSHS    X
        LDX     >HSWI3
        BEQ     SWIDEF
        PULS    X
        JMP     [HSWI3]
* SWI2 and SWI3 leave I and F as they were: no interrupt may enter while the
* frame is copied.
SWIDEF  ORCC    #$50
        PULS    X
        LBRA    STOPFUL

* NMI: end of a traced instruction, else the user's hook (the timers), else
* the program stops; the monitor itself, interrupted while it waits for keys,
* goes on. The timer's flag is left set: it holds NMI low, so a timer that
* runs on does not disturb the monitor. Go and Trace clear it (NMIHELD).
NMIENT  TST     TRACING
        BNE     NMIMON
NMIUSE  PSHS    X
        LDX     >HNMI
        BEQ     NMIDEF
        PULS    X
        JMP     [HNMI]
NMIDEF  PULS    X
        LDA     #1
        STA     NMIHELD
        LDX     10,S
        CMPX    #$E000
        BHS     NM9
NMISTOP LDU     #NMIST
        JMP     FRCOPY
NMIST   LDY     #PNMI
        JMP     STOPMK

* In the monitor's trial of timer 1 (TIMCHK) only note that it interrupts.
NMIMON  LDA     TRACING
        CMPA    #TRIAL
        BNE     TREND
        LDA     TMSTAT
        BITA    #$01
        BEQ     NMIUSE          ; another timer's interrupt
        CLR     TRACING
        LDD     TMT1            ; status then counter: clears flag 1
NM9     RTI

* The traced instruction is done; the NMI frame holds the state after it.
* If it led into one of the interrupt entries above, the step shows the
* user's handler (its hook) as the next instruction.
TREND   CLR     TRACING
        LDA     TMSTAT
        LDD     TMT1            ; clears flag 1, releases NMI
        LDX     10,S
        CMPX    #SWIENT
        BEQ     TRRTI           ; SWI: back to the monitor as usual
        CMPX    #IRQENT
        BNE     TR1
        TST     PIACRA
        BMI     TRRTI           ; Break
        LDY     >HIRQ
        BRA     TRHOOK
TR1     CMPX    #FIRQENT
        BNE     TR2
        LDY     >HFIRQ
        BRA     TRHOOK
TR2     CMPX    #SWI2ENT
        BNE     TR3
        LDY     >HSWI2
        BRA     TRHOOK
TR3     CMPX    #SWI3ENT
        BNE     TR4
        LDY     >HSWI3
        BRA     TRHOOK
* Another timer's NMI came together with ours: its edge is merged with the
* trace NMI, so enter the user's NMI hook here (the frame stays on the
* user's stack for the hook's RTI), or stop as an NMI without a hook does.
TR4     LDA     TMSTAT
        BPL     TRSAVE
        LDY     >HNMI
        BEQ     TRNMI
        STY     TMP
        LDU     #TR5
        JMP     FRCOPY
TR5     LDY     TMP
        STY     >IPC
        LDA     >ICC
        ORA     #$50
        STA     >ICC
        LEAX    ,S
        LDY     #0
        JMP     STOPMK
TRNMI   LDA     #1
        STA     NMIHELD
        JMP     NMISTOP
TRHOOK  CMPY    #0
        BEQ     TRRTI           ; no hook: let the monitor's default act
        STY     10,S
TRSAVE  JMP     STOPFUL
TRRTI   RTI

* ===========================================================================
* Display
* ===========================================================================
SHOW    BSR     FIXVARS
        LDB     MODE
        ASLB
        LDX     #SHOWTAB
        JMP     [B,X]
SHOWTAB FDB     SHGREET,SHADDR,SHADDR,SHREG,SHSAVE,SHSAVE,SHMSG

* A program may overwrite the variables; out-of-range values would send the
* jump tables astray.
FIXVARS LDA     MODE
        CMPA    #MMSG
        BLS     FV1
        LDA     #MADDR
        STA     MODE
FV1     LDA     MSGRET
        CMPA    #MMSG
        BLO     FV2
        LDA     #MADDR
        STA     MSGRET
FV2     LDA     REGI
        CMPA    #NREGS
        BLO     FV3
        CLR     REGI
FV3     RTS

SHGREET LDX     #PGREET
        LDA     #$FF
* SHTEXT: show the eight patterns at X, brightness mask A.
SHTEXT  STA     BRIGHT
        LDY     #DBUF
        LDB     #8
ST1     LDA     ,X+
        STA     ,Y+
        DECB
        BNE     ST1
        LBRA    DISPOUT

* Address and data mode: AAAA  DD
SHADDR  LDX     #DBUF
        LDD     ADDR
        JSR     PUTWORD
        CLR     ,X+
        CLR     ,X+
        LDU     ADDR
        LDA     ,U
        JSR     PUTBYTE
        LDA     #$F0
        LDB     MODE
        CMPB    #MDATA
        BNE     SA1
        LDA     #$03
SA1     STA     BRIGHT
        BRA     DISPOUT

* Register mode: name on the left, value on the right.
SHREG   JSR     REGPTR
        LDY     #DBUF
        LDA     ,U
        STA     ,Y+
        LDA     1,U
        STA     ,Y+
        CLR     ,Y+
        CLR     ,Y+
        CMPB    #1
        BEQ     SR8
        LDD     ,X
        TFR     Y,X
        BSR     PUTWORD
        LDA     #$0F
        BRA     SR9
SR8     CLR     ,Y+
        CLR     ,Y+
        LDA     ,X
        TFR     Y,X
        BSR     PUTBYTE
        LDA     #$03
SR9     STA     BRIGHT
        BRA     DISPOUT

* Save range: SSSSEEEE, the field being entered bright.
SHSAVE  LDX     #DBUF
        LDD     SVSTART
        BSR     PUTWORD
        LDD     SVEND
        BSR     PUTWORD
        LDA     #$F0
        LDB     MODE
        CMPB    #MSVE
        BNE     SS1
        LDA     #$0F
SS1     STA     BRIGHT
        BRA     DISPOUT

SHMSG   LDX     MSGP
        LDA     #$FF
        JSR     SHTEXT
        LDA     ERRC
        BMI     SM1
        BSR     SEGOF
        STA     DBUF+7
        BSR     DISPOUT
SM1     RTS

* Copy DBUF to the display: low pattern always, high pattern when bright.
DISPOUT LDX     #DBUF
        LDY     #DISP+7
        LDB     BRIGHT
DO1     LDA     ,X+
        STA     ,Y
        LSLB
        BCS     DO2
        CLRA
DO2     STA     DISPHI-DISP,Y
        LEAY    -1,Y
        CMPY    #DISP-1
        BNE     DO1
        RTS

* Patterns of D (PUTWORD) or A (PUTBYTE) to X, X advances.
PUTWORD PSHS    B
        BSR     PUTBYTE
        PULS    A
PUTBYTE PSHS    A
        LSRA
        LSRA
        LSRA
        LSRA
        BSR     SEGOF
        STA     ,X+
        PULS    A
        ANDA    #$0F
        BSR     SEGOF
        STA     ,X+
        RTS

SEGOF   PSHS    X
        LDX     #SEGTAB
        LDA     A,X
        PULS    X,PC

*               0   1   2   3   4   5   6   7   8   9   A   b   C   d   E   F
SEGTAB  FCB     $3F,$06,$5B,$4F,$66,$6D,$7D,$07,$7F,$6F,$77,$7C,$39,$5E,$79,$71
PGREET  FCB     $40,$00,$7D,$7F,$3F,$6F,$00,$40     ; - 6809 -
PRUN    FCB     $00,$40,$50,$1C,$54,$40,$00,$00     ;  -run-
PSEND   FCB     $00,$00,$6D,$79,$54,$5E,$00,$00     ;   SEnd
PLOAD   FCB     $00,$00,$38,$5C,$77,$5E,$00,$00     ;   LoAd
PDONE   FCB     $00,$00,$5E,$5C,$54,$79,$00,$00     ;   donE
PERR    FCB     $40,$79,$50,$50,$40,$00,$00,$00     ; -Err-  n
PIRQ    FCB     $06,$54,$78,$00,$00,$06,$50,$67     ; Int  IrQ
PFIRQ   FCB     $06,$54,$78,$00,$71,$06,$50,$67     ; Int FIrQ
PNMI    FCB     $06,$54,$78,$00,$00,$54,$54,$06     ; Int  nnI

* ===========================================================================
* Serial line: dump, save, load
* ===========================================================================
* PUTC: send A. Waiting for the transmitter can be cut short by any key.
PUTC    PSHS    A,B,X,Y
PC1     LDA     ACSTAT
        BITA    #$10
        BNE     PC2
        JSR     SCANKEY
        BCS     SERABRT
        BRA     PC1
PC2     PULS    A
        STA     ACDATA
        PULS    B,X,Y,PC

* A key ended a transfer: back to the display the command started from.
SERABRT LDA     ACDATA
        JMP     FINISH

* GETC: receive into A; a key aborts, a framing or overrun error is error 4.
GETC    LDA     ACSTAT
        BITA    #$08
        BNE     GT1
        JSR     SCANKEY
        BCS     SERABRT
        BRA     GETC
GT1     BITA    #$06
        BNE     GT2
        LDA     ACDATA
        RTS
GT2     LDA     ACDATA
        LDA     #4
        JMP     ERROR

OUTWORD PSHS    B
        BSR     OUTBYTE
        PULS    A
OUTBYTE PSHS    A
        LSRA
        LSRA
        LSRA
        LSRA
        BSR     HEXASC
        BSR     PUTC
        PULS    A
        BSR     HEXASC
        BRA     PUTC

HEXASC  ANDA    #$0F
        ADDA    #$30
        CMPA    #$39
        BLS     HA1
        ADDA    #7
HA1     RTS

CRLF    LDA     #$0D
        BSR     PUTC
        LDA     #$0A
        BRA     PUTC

* Send byte A as hex and add it to the checksum.
OUTCS   PSHS    A
        ADDA    CSUM
        STA     CSUM
        PULS    A
        BRA     OUTBYTE

* F3: 16 lines "AAAA: HH HH ... HH" CR LF from ADDR.
FDUMP   LDX     #PSEND
        LDA     #$FF
        JSR     SHTEXT
        JSR     ACINIT
        LDX     ADDR
        STX     TMP
        LDA     #16
        STA     LINES
FDL     LDD     TMP
        BSR     OUTWORD
        LDA     #$3A            ; ':'
        JSR     PUTC
        LDA     #16
        STA     CNT
FDB1    LDA     #$20            ; ' '
        JSR     PUTC
        LDX     TMP
        LDA     ,X+
        STX     TMP
        BSR     OUTBYTE
        DEC     CNT
        BNE     FDB1
        BSR     CRLF
        DEC     LINES
        BNE     FDL
        JMP     DONE

* G in the save fields: SVSTART..SVEND as Intel HEX, 16 bytes a record.
SENDHEX LDD     SVSTART
        CMPD    SVEND
        BLS     SX0
        LDA     #5
        JMP     ERROR
SX0     LDX     #PSEND
        LDA     #$FF
        JSR     SHTEXT
        JSR     ACINIT
        LDX     SVSTART
        STX     TMP
        CLR     LFLAG
SXREC   LDD     SVEND
        SUBD    TMP
        CMPD    #15
        BLO     SX1
        LDB     #15
SX1     INCB
        STB     CNT
        LDA     #$3A            ; ':'
        JSR     PUTC
        CLR     CSUM
        LDA     CNT
        JSR     OUTCS
        LDA     TMP
        JSR     OUTCS
        LDA     TMP+1
        JSR     OUTCS
        CLRA
        JSR     OUTCS
SXB     LDX     TMP
        CMPX    SVEND
        BNE     SX2
        INC     LFLAG           ; the last byte of the range
SX2     LDA     ,X+
        STX     TMP
        JSR     OUTCS
        DEC     CNT
        BNE     SXB
        LDA     CSUM
        NEGA
        JSR     OUTBYTE
        JSR     CRLF
        TST     LFLAG
        BEQ     SXREC
        LDX     #EOFREC
SX3     LDA     ,X+
        BEQ     SX4
        JSR     PUTC
        BRA     SX3
SX4     LDA     #MADDR
        STA     MODE
        JMP     DONE

EOFREC  FCB     $3A,$30,$30,$30,$30,$30,$30,$30,$31,$46,$46,$0D,$0A,0

* L: receive Intel HEX, storing every data byte as it arrives. Ends with
* the address display at the first byte loaded (after the done message).
FLOAD   LDX     #PLOAD
        LDA     #$FF
        JSR     SHTEXT
        LDA     #MADDR
        STA     MODE
        JSR     ACINIT
        LDA     ACDATA
        CLR     LFLAG
LWAIT   JSR     GETC
        CMPA    #$3A            ; ':' starts a record, all else is skipped
        BNE     LWAIT
        CLR     CSUM
        BSR     GETHB
        STA     CNT
        BSR     GETHB
        STA     TMP
        BSR     GETHB
        STA     TMP+1
        BSR     GETHB
        STA     RTYPE
        CMPA    #1
        BEQ     LEOF
        TSTA
        BNE     LBAD
        TST     CNT
        BEQ     LCHK
        TST     LFLAG
        BNE     LDAT
        LDD     TMP
        STD     FIRSTL
        INC     LFLAG
LDAT    BSR     GETHB
        LDX     TMP
        JSR     CHKMON
        BCS     LMON
        STA     ,X+
        STX     TMP
        DEC     CNT
        BNE     LDAT
LCHK    BSR     GETHB
        TST     CSUM
        BNE     LSUM
        BRA     LWAIT
LEOF    BSR     GETHB
        TST     CSUM
        BNE     LSUM
        TST     LFLAG
        BEQ     LE1
        LDD     FIRSTL
        STD     ADDR
LE1     JMP     DONE
LSUM    LDA     #2
        JMP     ERROR
LMON    LDA     #6
        JMP     ERROR
LBAD    LDA     #3
        JMP     ERROR

* Two hex characters -> A, added to the checksum.
GETHB   JSR     GETC
        BSR     HEXVAL
        ASLA
        ASLA
        ASLA
        ASLA
        STA     TMPN
        JSR     GETC
        BSR     HEXVAL
        ORA     TMPN
        PSHS    A
        ADDA    CSUM
        STA     CSUM
        PULS    A,PC

HEXVAL  CMPA    #$30
        BLO     HV9
        CMPA    #$39
        BLS     HV1
        ANDA    #$DF            ; lower case too
        CMPA    #$41
        BLO     HV9
        CMPA    #$46
        BHI     HV9
        SUBA    #$37
        RTS
HV1     SUBA    #$30
        RTS
HV9     BRA     LBAD

* ===========================================================================
* Vectors
* ===========================================================================
        ORG     $FFF0
        FDB     RESET           ; reserved
        FDB     SWI3ENT
        FDB     SWI2ENT
        FDB     FIRQENT
        FDB     IRQENT
        FDB     SWIENT
        FDB     NMIENT
        FDB     RESET
        END
