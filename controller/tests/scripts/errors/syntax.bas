SPEED(0) =              ' expect error: 2001
?(1                     ' expect error: 2001
= 3                     ' expect error: 2001
?1 +                    ' expect error: 2001
#                       ' expect error: 2001
SPEED                   ' expect error: 2004
?REBOOT                 ' expect error: 2011
GLOBAL SPEED            ' expect error: 2010
?1 ' comments are fine  ' expect: 1
