* Sums a table and prints through a subroutine.
        ORG     $0400
START   LDS     #$1F00
        LDX     #TABLE
        CLRA
        CLRB
        LDY     #5
LOOP    ADDB    ,X+
        ADCA    #0
        LEAY    -1,Y
        BNE     LOOP
        STD     RESULT
        LEAX    MSG,PCR
        LBSR    COUNT
        LDA     [PTR]
        STA     <$80
        LDA     B,X
        EXG     A,B
        PSHS    A,B,X
        PULS    A,B,X
        TFR     D,Y
        JMP     [$FFFE]
COUNT   CLRB
.next   TST     ,X+
        BEQ     .done
        INCB
        BRA     .next
.done   RTS
TABLE   FCB     1,2,3,4,5
MSG     FCC     "HELLO"
        FCB     0
PTR     FDB     TABLE
RESULT  RMB     2
        END     START
