pair(1)                             ' expect compile error: 2004
SUB pair(a, b)
ENDSUB
