// The controller operations the axis tools use, as one small interface. The
// program forwards them to the command library's base operations and typed
// readers on the current slot's handle; tests record them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::axis {

/// The counts of the controller's specification record that the axis tools read.
struct ControllerCounts
{
    int virtualAxes = 0;
    int realAxes = 0;
    int localInputs = 0;
};

/// One expansion module as far as its inputs matter.
struct ChildCardInputs
{
    int firstInput = 0; ///< the module's first digital input number
    int inputCount = 0;
};

/// The two texts VXC_MakeOneFileKpj fills; together they name the project to download.
struct RomProject
{
    std::string first;  ///< the project file
    std::string second; ///< the program directory
};

class AxisPort
{
public:
    virtual ~AxisPort() = default;

    /// Buffered command (ExecuteCommand); reply may be null.
    virtual int execute(std::string_view command, std::string* reply) = 0;
    /// Direct command (ExecuteDirect); reply may be null (sent without reply buffer).
    virtual int direct(std::string_view command, std::string* reply) = 0;
    /// The specification counts, nothing when VXC_GetSysSpecification fails.
    virtual std::optional<ControllerCounts> specification() = 0;
    /// The expansion modules in enumeration order.
    virtual std::vector<ChildCardInputs> childCards() = 0;
    /// VXC_GetHardId, nothing when it fails.
    virtual std::optional<std::uint32_t> hardId() = 0;
    /// "?*NAME" block reader: up to out.size() values, the rest untouched.
    virtual int readBlock(std::string_view name, std::span<float> out) = 0;
    /// "?*NAME(start,count)" range reader, 30 values per command.
    virtual int readRange(std::string_view name, int start, std::span<float> out) = 0;
    /// "?*SET" STEP_RATIO section: pair k goes to first[k] and second[k].
    virtual int readStepRatios(std::span<float> first, std::span<float> second) = 0;
    /// "?*SET" ENCODER_RATIO section, same shape.
    virtual int readEncoderRatios(std::span<float> first, std::span<float> second) = 0;
    /// Per-value writer "%s(%d) =  %f " from start.
    virtual int writeValues(std::string_view name, int start, std::span<const float> values) = 0;
    /// "?INVERT_IN(%d)": the input's inversion, nothing when the query fails.
    virtual std::optional<int> invertIn(int input) = 0;
    /// "?NODE_COUNT(%d)": the nodes on a field bus, nothing when the query fails.
    virtual std::optional<int> nodeCount(int bus) = 0;
    /// VXC_SetTimeOut: how long later calls wait for the controller's answer.
    virtual int setTimeout(std::uint32_t ms) = 0;
    /// VXC_MakeOneFileKpj: a one-file project beside the BASIC file.
    virtual int makeProject(const std::string& basPath, RomProject& project) = 0;
    /// VXC_MakeKrxAndDown2: the project packaged into the controller's ROM.
    virtual int downloadToRom(const RomProject& project) = 0;
    /// VXC_Resume: paused tasks run on.
    virtual int resume() = 0;

    /// A setter through ExecuteDirect with a reply buffer whose text is ignored.
    int set(std::string_view command)
    {
        std::string ignored;
        return direct(command, &ignored);
    }
    /// A setter through ExecuteCommand with a reply buffer whose text is ignored.
    int setBuffered(std::string_view command)
    {
        std::string ignored;
        return execute(command, &ignored);
    }
    /// Through ExecuteDirect without a reply buffer: queued moves, REGIST, CONNECT, ...
    int sendWithoutReply(std::string_view command) { return direct(command, nullptr); }
};

/// printf into a std::string in the C number format (the program runs in the
/// user's locale), for command and file texts.
std::string FormatCommand(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace korvan::axis
