' IF chains run exactly one branch; one-line IFs end with their line.
a = 2
IF a = 1 THEN
    PRINT "one"
ELSEIF a = 2 THEN
    PRINT "two"                     ' expect: two
ELSEIF a = 2 THEN
    PRINT "second match"
ELSE
    PRINT "other"
ENDIF
IF a > 5 THEN
    PRINT "big"
ELSEIF a > 4 THEN
    PRINT "bigger than four"
ELSE
    PRINT "small"                   ' expect: small
END IF
IF a = 7 THEN
    PRINT "no branch runs"
ENDIF
IF a = 2 THEN
    IF a < 0 THEN
        PRINT "inner"
    ELSE
        PRINT "nested else"         ' expect: nested else
    ENDIF
ENDIF
IF a = 2 THEN PRINT "one-line"      ' expect: one-line
IF a = 3 THEN PRINT "no" ELSE PRINT "else on the line"   ' expect: else on the line
IF a = 2 THEN b = 5 : PRINT b       ' expect: 5
IF a = 3 THEN b = 9 : PRINT "skipped with the IF"
PRINT b                             ' expect: 5
IF NOT (a = 2) OR a > 1 AND a < 3 THEN PRINT "logic"   ' expect: logic
