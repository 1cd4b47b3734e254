// Digital and analogue I/O of the controller and its expansion modules, and
// the PWM channels. Numbering: the controller's own channels start at 0; a
// module with card number n has digital I/O from (n + 1) * 16, analogue
// inputs from n * 8 + 8 and analogue outputs from n * 4 + 4. A module's card
// number is its CAN id; a profile whose module would share channel numbers
// with the local I/O is refused (24 local inputs leave CAN id 1 as the lowest).
// Bus nodes follow: their digital channels from the first multiple of 16
// above every local and module channel, their analogue channels from the
// first multiple of 8 above.
#pragma once

#include "controller/bus/field_bus.h"
#include "controller/clock.h"
#include "controller/profile.h"

#include <cstdint>
#include <vector>

namespace korvan::controller {

class IoModel
{
public:
    IoModel(const Profile& profile, const Clock& clock);

    /// The card number of a module of the profile (index into modules).
    int cardNumber(std::size_t moduleIndex) const;
    /// Where each bus node's channels are, in bus order.
    const std::vector<NodeChannels>& nodeChannels() const { return m_nodeChannels; }

    bool hasInput(int n) const;
    bool hasOutput(int n) const;
    bool hasAnalogInput(int n) const;
    bool hasAnalogOutput(int n) const;
    bool hasPwm(int n) const;
    /// One past the highest number of each kind, the range "?*max" reports.
    int inputRange() const { return static_cast<int>(m_inputExists.size()); }
    int outputRange() const { return static_cast<int>(m_outputExists.size()); }
    int analogInputRange() const { return static_cast<int>(m_ainExists.size()); }
    int analogOutputRange() const { return static_cast<int>(m_aoutExists.size()); }
    int pwmCount() const { return static_cast<int>(m_pwmDuty.size()); }

    /// The input as the program sees it: the wire level, inverted when set.
    int input(int n) const;
    /// The level on the wire (a switch, a test).
    void setInputLevel(int n, bool level);
    int inversion(int n) const;
    void setInversion(int n, bool inverted);
    int output(int n) const;
    void setOutput(int n, bool on);

    /// Raw converter counts 0..4095 of an analogue input at the clock's time.
    double analogInput(int n) const;
    double analogOutput(int n) const;
    void setAnalogOutput(int n, double raw);

    double pwmDuty(int n) const;
    void setPwmDuty(int n, double duty);
    double pwmFrequency(int n) const;
    void setPwmFrequency(int n, double hz);

    /// Outputs off, inversions cleared, analogue outputs 0, PWM idle.
    void reset();

private:
    const Clock& m_clock;
    std::vector<AnalogSignal> m_signals; // by analogue input number
    std::vector<bool> m_inputExists, m_outputExists, m_ainExists, m_aoutExists;
    std::vector<uint8_t> m_inputLevel, m_inversion, m_output;
    std::vector<double> m_aout;
    std::vector<double> m_pwmDuty, m_pwmFrequency;
    std::vector<int> m_cards;
    std::vector<NodeChannels> m_nodeChannels;
};

} // namespace korvan::controller
