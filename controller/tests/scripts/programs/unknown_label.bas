a = 1
GOTO nowhere                        ' expect compile error: 2013
