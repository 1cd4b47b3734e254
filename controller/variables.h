// User variables and arrays: GLOBAL ones belong to the controller, others
// to the task (a session's command line) that created them.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::controller {

struct Variable
{
    std::vector<double> values; // one value for a plain variable
    bool array = false;
};

class VariableStore
{
public:
    /// The variable, or null.
    Variable* find(std::string_view upperName);
    /// Declares (or re-declares, clearing it) a variable or an array.
    Variable& declare(std::string_view upperName, std::size_t size, bool array);
    /// Total values held, to bound what one controller may allocate.
    std::size_t totalValues() const { return m_total; }
    void clear()
    {
        m_variables.clear();
        m_total = 0;
    }

private:
    std::map<std::string, Variable, std::less<>> m_variables;
    std::size_t m_total = 0;
};

inline Variable* VariableStore::find(std::string_view upperName)
{
    auto it = m_variables.find(upperName);
    return it == m_variables.end() ? nullptr : &it->second;
}

inline Variable& VariableStore::declare(std::string_view upperName, std::size_t size, bool array)
{
    Variable& v = m_variables[std::string(upperName)];
    m_total -= v.values.size();
    v.values.assign(size, 0.0);
    v.array = array;
    m_total += size;
    return v;
}

} // namespace korvan::controller
