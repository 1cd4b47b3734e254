// A service pointer shared by every module of the process. A component
// library links its own copy of the platform services, so a plain static
// would give each module its own slot, and a scripted responder installed by
// a test could not answer the boxes a loaded control shows. The application
// object is the one thing all modules share; the pointer lives in one of its
// properties, and in a static only while no application object exists.
#pragma once

#include <QCoreApplication>
#include <QVariant>

namespace korvan::platform {

template <class Service> class ProcessSlot
{
public:
    explicit ProcessSlot(const char* property) : m_property(property) {}

    Service* get() const
    {
        if (const QCoreApplication* app = QCoreApplication::instance()) {
            const QVariant value = app->property(m_property);
            if (value.isValid())
                return static_cast<Service*>(value.value<void*>());
        }
        return m_fallback;
    }

    void set(Service* service)
    {
        m_fallback = service;
        if (QCoreApplication* app = QCoreApplication::instance())
            app->setProperty(m_property, QVariant::fromValue(static_cast<void*>(service)));
    }

private:
    const char* m_property;
    Service* m_fallback = nullptr;
};

} // namespace korvan::platform
