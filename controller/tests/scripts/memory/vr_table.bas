VR(0) = 1.5
VR_INT(1) = 2.7
?vr(0) vr(1)            ' expect: 1.5 2
TABLE(5, 1, 2, 3)
?*TABLE(5,3)            ' expect: 1 2 3
?TABLE(6)               ' expect: 2
?TSIZE                  ' expect: 320000
?*TABLE(319999,30)      ' expect: 0
TABLE(320000) = 1       ' expect error: 2003
MODBUS_LONG(0) = 70000
?MODBUS_REG(0) MODBUS_REG(1) ' expect: 4464 1
