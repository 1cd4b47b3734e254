AOUT(0) = 1000
?AOUT(0)                ' expect: 1000
PWM_DUTY(1) = 0.25
PWM_FREQ(1) = 2000
?PWM_DUTY(0),PWM_DUTY(1), ' expect: 0 0.25
?PWM_FREQ(1)            ' expect: 2000
PWM_DUTY(1) = 2         ' expect error: 2004
?AIN(5)                 ' expect error: 2003
