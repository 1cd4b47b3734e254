#include "controller/reports.h"

#include "controller/controller_state.h"

namespace korvan::controller {

namespace {

constexpr std::string_view reportNames[] = {
#define KORVAN_REPORT_NAME(name) #name,
    KORVAN_REPORTS(KORVAN_REPORT_NAME)
#undef KORVAN_REPORT_NAME
};

void appendPairs(std::string& out, const std::vector<Ratio>& ratios)
{
    for (std::size_t i = 0; i < ratios.size(); ++i) {
        if (i > 0)
            out += ' ';
        out += std::to_string(ratios[i].numerator) + "~" + std::to_string(ratios[i].denominator);
    }
}

void line(std::string& out, std::string_view key, long value)
{
    out += key;
    out += std::to_string(value);
    out += '\n';
}

void ioLine(std::string& out, std::string_view key, int local, int range)
{
    out += key;
    out += std::to_string(local) + "," + std::to_string(range) + "\n";
}

} // namespace

bool findReport(std::string_view upperName, Report& out)
{
    for (std::size_t i = 0; i < std::size(reportNames); ++i) {
        if (reportNames[i] == upperName) {
            out = static_cast<Report>(i);
            return true;
        }
    }
    return false;
}

std::string reportText(const ControllerState& s, Report report)
{
    std::string out;
    switch (report) {
    case Report::SET:
        // The reader takes the text 12 characters after "STEP_RATIO:" and 15
        // after "ENCODER_RATIO:", so one blank follows each colon; the
        // encoder section comes last because its reader runs to the end.
        out = "STEP_RATIO: ";
        appendPairs(out, s.stepRatios);
        out += "\r\nENCODER_RATIO: ";
        appendPairs(out, s.encoderRatios);
        break;
    case Report::MAX:
        line(out, "max_axis:", s.profile.virtualAxes);
        line(out, "max_realaxis:", s.profile.realAxes);
        ioLine(out, "max_in:", s.profile.inputs, s.io.inputRange());
        ioLine(out, "max_out:", s.profile.outputs, s.io.outputRange());
        ioLine(out, "max_ain:", s.profile.analogInputs, s.io.analogInputRange());
        ioLine(out, "max_aout:", s.profile.analogOutputs, s.io.analogOutputRange());
        line(out, "max_pwm:", s.io.pwmCount());
        line(out, "max_table:", static_cast<long>(s.memory.table.size()));
        line(out, "max_vr:", static_cast<long>(s.memory.vr.size()));
        break;
    case Report::SLOT:
        for (std::size_t i = 0; i < s.profile.slots.size(); ++i) {
            if (i > 0)
                out += '.';
            out += std::to_string(i) + ":" + s.profile.slots[i].type;
        }
        break;
    }
    return out;
}

} // namespace korvan::controller
