#include "workbench/shell/controller_search.h"

#include "link/korvan.h"

namespace korvan::shell {

namespace {

constexpr uint32_t kSearchCapacity = 10230;

} // namespace

SearchResult searchControllers(uint32_t timeoutMs, int maxWords)
{
    std::vector<char> buffer(kSearchCapacity + 1, '\0');
    SearchResult result;
    result.code = VXC_SearchEth(buffer.data(), kSearchCapacity, timeoutMs);
    if (result.code == 0)
        result.words = searchWords(buffer.data(), maxWords);
    return result;
}

std::vector<std::string> searchWords(const char* buffer, int maxWords)
{
    std::vector<std::string> words;
    const char* p = buffer;
    for (int i = 0; i < maxWords; ++i) {
        while (*p == ' ')
            ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            ++p;
        if (p == start)
            break;
        words.emplace_back(start, p);
        while (*p == '\t' || *p == '\r' || *p == '\n')
            ++p;
    }
    return words;
}

} // namespace korvan::shell
