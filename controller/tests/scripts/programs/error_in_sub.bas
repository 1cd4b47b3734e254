' An error inside a SUB names the line inside the SUB
check(3)
PRINT "never"
SUB check(i)
    PRINT VR(i)                     ' expect: 0
    PRINT SPEED(i + 1000)           ' expect error: 2003
ENDSUB
