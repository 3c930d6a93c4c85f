        NAM     DEMO
        OPT     L
TEN     EQU     10
V       SET     1
V       SET     V+1
        ORG     $2000
        SETDP   $20
        LDA     $2010
        LDA     <$2010
        LDA     >$2010
        FCB     1, 2, 'A', 'B', "xy", -1
        FDB     $1234, TEN*2, *
        FCC     /a;b/
        FILL    $FF, 3
        RMB     TEN
DEBUG   EQU     1
        IF      DEBUG&1
        FCB     $AA
        ELSE
        FCB     $BB
        ENDIF
        IFDEF   TEN
        IFNDEF  NOPE
        NOP
        ENDIF
        ENDIF
        FDB     (1+2)*3<<2|~0&$FF^%101/@7%3
        END
