FOR i = 1 TO 2
    SPEED(0) = (i                   ' expect compile error: 2001
NEXT
