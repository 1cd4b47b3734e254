' GOSUB / RETURN, labels and GOTO, SUBs with parameters, LOCAL and recursion
total = 0
GOSUB addten
GOSUB addten
PRINT total                         ' expect: 20
k = 0
again:
k = k + 1
IF k < 5 THEN GOTO again
PRINT k                             ' expect: 5
y = 7
square(4)                           ' expect: 16
PRINT y                             ' expect: 7
v = 2
bump(v)                             ' expect: 3
PRINT v                             ' expect: 2
countdown(3)
PRINT ""                            ' expect: 321
both(2, 3)                          ' expect: 5 6
GOSUB hello                         ' expect: hello
GOTO finish
PRINT "skipped"
finish: PRINT "finished"            ' expect: finished
END
PRINT "after END"

addten:
total = total + 10
RETURN

SUB square(x)
    LOCAL y
    y = x * x
    PRINT y
ENDSUB

SUB hello
    PRINT "hello"
ENDSUB

SUB bump(v)
    v = v + 1
    PRINT v
END SUB

SUB countdown(n)
    IF n > 0 THEN
        PRINT n;
        countdown(n - 1)
    ENDIF
ENDSUB

SUB both(p, q)
    IF p = 2 THEN
        PRINT p + q, p * q
        RETURN
    ENDIF
    PRINT "not reached"
ENDSUB
