// Opening, closing and configuring links.
#include "link/client/api_support.h"
#include "link/client/transports.h"
#include "link/korvan.h"
#include "link/pci_cards.h"

using namespace korvan::link::client;

namespace {

int32_t publish(Opened opened, ControllerHandle* handle)
{
    if (opened.code != VXC_OK)
        return opened.code;
    *handle = registerLink(std::move(opened.link));
    return VXC_OK;
}

} // namespace

extern "C" {

int32_t VXC_SetComDefaultBaud(uint32_t baud, uint32_t dataBits, uint32_t parity, uint32_t stopBits)
{
    const SerialSettings settings{baud, dataBits, parity, stopBits};
    if (!serialSettingsValid(settings))
        return VXC_ERR_INVALID_ARGUMENT;
    setSerialSettings(settings);
    return VXC_OK;
}

int32_t VXC_OpenCom(uint32_t port, ControllerHandle* handle)
{
    if (!handle)
        return VXC_ERR_INVALID_ARGUMENT;
    return publish(openSerial(port, kDefaultTimeoutMs), handle);
}

int32_t VXC_PeakCom(uint32_t port, uint32_t timeoutMs, ControllerHandle* handle)
{
    if (!handle)
        return VXC_ERR_INVALID_ARGUMENT;
    return publish(openSerial(port, timeoutMs ? timeoutMs : kDefaultTimeoutMs), handle);
}

int32_t VXC_OpenEth(const char* ip, ControllerHandle* handle)
{
    if (!handle)
        return VXC_ERR_INVALID_ARGUMENT;
    return publish(openEthernet(ip, kDefaultTimeoutMs), handle);
}

int32_t VXC_FastOpen(int32_t type, const char* address, uint32_t timeoutMs,
                     ControllerHandle* handle)
{
    if (!handle)
        return VXC_ERR_INVALID_ARGUMENT;
    return publish(openByName(type, address, timeoutMs ? timeoutMs : kDefaultTimeoutMs), handle);
}

int32_t VXC_GetMaxPciCards(void)
{
    return static_cast<int32_t>(korvan::link::pciCardCount());
}

int32_t VXC_Open(int32_t type, const char* name, ControllerHandle* handle)
{
    if (!handle)
        return VXC_ERR_INVALID_ARGUMENT;
    return publish(openByName(type, name, kDefaultTimeoutMs), handle);
}

int32_t VXC_Close(ControllerHandle handle)
{
    return unregisterLink(handle) ? VXC_OK : VXC_ERR_BAD_HANDLE;
}

int32_t VXC_SetTimeOut(ControllerHandle handle, uint32_t timeoutMs)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        link.timeoutMs = timeoutMs ? timeoutMs : kDefaultTimeoutMs;
        return VXC_OK;
    });
}

uint8_t VXC_GetConnectType(ControllerHandle handle)
{
    const auto link = findLink(handle);
    return link ? link->type : 0;
}

} // extern "C"
