#include "workbench/axis/rom_download.h"

#include <fstream>

namespace korvan::axis {
namespace {

const char* Pick(int language, const char* chinese, const char* english)
{
    return language == 1 ? chinese : english;
}

// Both files are checked, so each one that cannot be opened is told.
void AppendBusStartFile(const RomDownloadFiles& files, int language, FileMessages& messages)
{
    std::ofstream parameters(files.parameterFile, std::ios::binary | std::ios::app);
    std::ifstream busStart(files.busStartFile, std::ios::binary);
    if (!parameters)
        messages.informApplication(
            Pick(language, "参数文件打开失败!", "AxisPara File Open failed"));
    if (!busStart)
        messages.informApplication(
            Pick(language, "总线初始化文件打开失败!", "BusInit File Open failed"));
    if (parameters && busStart)
        parameters << busStart.rdbuf();
}

} // namespace

std::string RomFileStem(const std::string& ipName, const std::string& comName,
                        const std::string& pciName)
{
    if (!ipName.empty())
        return ipName;
    return comName.empty() ? pciName : comName;
}

void DownloadToRom(AxisPort& port, const AxisTable& table, const RomDownloadFiles& files,
                   int busType, int language, FileMessages& messages)
{
    if (!ExportAxisFile(port, table, files.parameterFile, language, messages))
        return;
    if (busType != 0) {
        const std::optional<int> nodes = port.nodeCount(0);
        if (nodes && *nodes != 0)
            AppendBusStartFile(files, language, messages);
    }
    port.setTimeout(kRomDownloadTimeoutMs);
    RomProject project;
    if (port.makeProject(files.parameterFile.string(), project) != 0) {
        // Every later poll would wait 20 s for a controller that does not answer.
        port.setTimeout(kAfterRomDownloadTimeoutMs);
        messages.inform(Pick(language, "项目文件生成失败!", "Make Kpj error!"));
        return;
    }
    if (const int code = port.downloadToRom(project); code != 0) {
        port.setTimeout(kAfterRomDownloadTimeoutMs);
        messages.inform(language == 1 ? FormatCommand("下载失败! 错误代码：%d", code)
                                      : std::string("Download Failed!"));
        return;
    }
    port.resume();
    port.setTimeout(kAfterRomDownloadTimeoutMs);
    messages.inform(Pick(language, "下载成功,开始运行!", "Download Succeed !"));
}

} // namespace korvan::axis
