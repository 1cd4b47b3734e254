PRINT "start"                       ' expect: start
RETURN                              ' expect error: 2015
