' TRIGGER followed by ':' is the command, not a label: the capture starts.
SCOPE(1,1,0,99,DPOS(0))
TRIGGER:PRINT "after"               ' expect: after
DELAY 5
PRINT SCOPE_POS > 0                 ' expect: -1
