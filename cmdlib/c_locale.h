// Makes printf- and strtod-style calls of this thread use the "C" number
// format while it lives: a Qt program sets the user's locale, and a
// decimal comma must never reach the controller.
#pragma once

#include <clocale>
#include <locale.h>

namespace korvan::cmd::detail {

class CLocaleScope
{
public:
    CLocaleScope() : m_previous(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(m_previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t cLocale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return c;
    }
    locale_t m_previous;
};

} // namespace korvan::cmd::detail
