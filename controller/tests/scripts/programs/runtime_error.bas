' A run-time error stops the task at its line
PRINT "before"                      ' expect: before
a = 1
b = a / 0                           ' expect error: 2008
PRINT "after"
