#include "controller/motion/motion_engine.h"
#include "controller/motion/servo_thread.h"

#include <gtest/gtest.h>

#include <thread>

using namespace korvan::motion;

// The thread ticks the engine under the shared mutex and stops cleanly.
TEST(ServoThread, TicksUnderTheSharedMutexUntilStopped)
{
    MotionEngine engine(2);
    std::mutex mutex;
    ServoThread servo(engine, mutex);
    {
        const std::lock_guard lock(mutex);
        const int base[] = {0};
        const double d[] = {1};
        ASSERT_EQ(engine.move(base, d), MotionResult::Ok);
    }
    servo.start();
    servo.start(); // a second start is ignored
    while (servo.ticks() < 200)
        std::this_thread::yield();
    servo.stop();
    EXPECT_FALSE(servo.running());
    const long long done = servo.ticks();
    EXPECT_GE(done, 200);
    EXPECT_EQ(servo.ticks(), done);
    const std::lock_guard lock(mutex);
    EXPECT_EQ(engine.status(0).dpos, 1);
}
