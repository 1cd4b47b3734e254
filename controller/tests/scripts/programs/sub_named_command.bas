SUB op(a)                           ' expect compile error: 2010
ENDSUB
