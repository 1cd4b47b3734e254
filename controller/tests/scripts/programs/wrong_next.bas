FOR i = 1 TO 2
    FOR j = 1 TO 2
    NEXT i                          ' expect compile error: 2012
NEXT j
