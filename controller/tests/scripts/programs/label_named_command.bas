a = 1
GOTO trigger                        ' expect compile error: 2010
