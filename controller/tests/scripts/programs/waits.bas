' DELAY and WAIT give up the task's turn and come back
DELAY(3)
PRINT "after delay"                 ' expect: after delay
DELAY 0
WAIT UNTIL 1
WAIT IDLE
WAIT IDLE AXIS(1)
VR(0) = 0
WAIT UNTIL VR(0) = 0
PRINT "waited"                      ' expect: waited
