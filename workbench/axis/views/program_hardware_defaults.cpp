#include "workbench/axis/views/program_hardware_defaults.h"

#include "platform/ui/message_box.h"

#include <QPointer>
#include <QWidget>

namespace korvan::axis {

HardwareDefaultsFile ProgramHardwareDefaults(QWidget* parent)
{
    return ProgramHardwareDefaults(parent, DefaultHardwareDefaultsPath());
}

HardwareDefaultsFile ProgramHardwareDefaults(QWidget* parent, std::filesystem::path path)
{
    QPointer<QWidget> owner(parent);
    return {std::move(path), [owner](const std::string& title, const std::string& text) {
                platform::MessageBox(owner.data(), QString::fromStdString(text),
                                     QString::fromStdString(title), platform::MessageButtons::Ok,
                                     platform::MessageIcon::Error);
            }};
}

} // namespace korvan::axis
