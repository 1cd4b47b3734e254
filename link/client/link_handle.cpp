#include "link/client/link_handle.h"

#include <cstdint>
#include <unordered_map>

namespace korvan::link::client {

namespace {

struct LinkTable
{
    std::mutex mutex;
    uintptr_t nextToken = 1;
    std::unordered_map<uintptr_t, std::shared_ptr<Link>> links;
};

LinkTable& table()
{
    static LinkTable instance;
    return instance;
}

uintptr_t tokenOf(ControllerHandle handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

} // namespace

ControllerHandle registerLink(std::shared_ptr<Link> link)
{
    LinkTable& links = table();
    const std::lock_guard lock(links.mutex);
    const uintptr_t token = links.nextToken++;
    links.links.emplace(token, std::move(link));
    return reinterpret_cast<ControllerHandle>(token);
}

std::shared_ptr<Link> findLink(ControllerHandle handle)
{
    LinkTable& links = table();
    const std::lock_guard lock(links.mutex);
    const auto found = links.links.find(tokenOf(handle));
    return found == links.links.end() ? nullptr : found->second;
}

std::shared_ptr<Link> unregisterLink(ControllerHandle handle)
{
    LinkTable& links = table();
    const std::lock_guard lock(links.mutex);
    const auto found = links.links.find(tokenOf(handle));
    if (found == links.links.end())
        return nullptr;
    std::shared_ptr<Link> link = std::move(found->second);
    links.links.erase(found);
    return link;
}

} // namespace korvan::link::client
