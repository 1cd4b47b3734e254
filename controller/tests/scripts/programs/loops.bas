' FOR, WHILE and REPEAT, nested, with arrays and printing with ; and ,
FOR i = 1 TO 3
    PRINT i;
NEXT i
PRINT ""                            ' expect: 123
PRINT i                             ' expect: 4
FOR i = 10 TO 1 STEP -4
    PRINT i; " ";
NEXT
PRINT "."                           ' expect: 10 6 2 .
FOR i = 5 TO 1
    PRINT "never"
NEXT i
PRINT i                             ' expect: 5
FOR x = 0 TO 1 STEP 0.25
NEXT x
PRINT x                             ' expect: 1.25
DIM grid(9)
FOR r = 0 TO 2
    FOR c = 0 TO 2
        grid(r * 3 + c) = r * 10 + c
    NEXT c
NEXT r
PRINT grid(5), grid(7); "|"; grid(8)   ' expect: 12 21|22
n = 0
WHILE n < 3
    n = n + 1
WEND
PRINT n                             ' expect: 3
WHILE n > 100
    PRINT "never"
WEND
REPEAT
    n = n - 2
UNTIL n <= 0
PRINT n                             ' expect: -1
REPEAT
    n = n + 1
UNTIL 1
PRINT n                             ' expect: 0
FOR VR(3) = 1 TO 2
NEXT
PRINT VR(3)                         ' expect: 3
PRINT "a";"b","c" "d"               ' expect: ab c d
