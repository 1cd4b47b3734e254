?SPEED ACCEL UNITS      ' expect: 100 1000 1
BASE(3)
SPEED = 100.5
?SPEED SPEED(3)         ' expect: 100.5 100.5
ATYPE(3)=65
?ATYPE(3)               ' expect: 65
?SPEED AXIS(0)          ' expect: 100
?*FS_LIMIT(0,2)         ' expect: 200000000 200000000
?REMAIN_BUFFER(1) AXIS(2) ' expect: 4096
IDLE(0) = 0             ' expect error: 2005
?SPEED(99)              ' expect error: 2003
?NO_SUCH                ' expect error: 2002
