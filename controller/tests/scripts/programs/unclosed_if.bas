a = 1
IF a = 1 THEN                       ' expect compile error: 2012
    PRINT a
