' Calls nested without end are stopped, not followed until memory runs out
dive(1)
SUB dive(d)
    dive(d + 1)                     ' expect error: 2014
ENDSUB
