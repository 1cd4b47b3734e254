a = 1
NEXT a                              ' expect compile error: 2012
