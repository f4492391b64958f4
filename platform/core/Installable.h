#pragma once
// A process-wide slot for a service that a layer above installs: the lower layer declares the
// interface and asks the slot, the upper layer fills it at start, tests fill it with fakes.
//
// installed() hands out a shared copy read under the slot's lock, so the caller keeps the service
// alive for as long as it uses it, even when another thread installs a replacement meanwhile or
// resets the slot. A slot may carry a built-in service that answers while nothing is installed;
// without one, installed() is null until something is installed. Any thread.
//
// The slot itself lives in the .cpp of the interface (a function-local static), never in a header:
// the libraries that link the interface must all see one slot.
//
//     dw::Installable<QMCategoryNameSource>& slot()
//     {
//         static dw::Installable<QMCategoryNameSource> instance;
//         return instance;
//     }
//     if (const auto source = slot().installed())
//         name = source->categoryNameForSiteID(siteID, categoryID);

#include <memory>
#include <mutex>
#include <utility>

namespace dw {

template<class T>
class Installable
{
public:
    Installable() = default;
    // `builtIn` answers while nothing is installed, and again after reset().
    explicit Installable(std::shared_ptr<T> builtIn) : m_builtIn(std::move(builtIn)) {}
    Installable(const Installable&) = delete;
    Installable& operator=(const Installable&) = delete;

    // The installed service, else the built-in one (null when there is none).
    std::shared_ptr<T> installed() const
    {
        std::lock_guard lock(m_mutex);
        return m_installed ? m_installed : m_builtIn;
    }
    // Null goes back to the built-in service. The service replaced stays alive for those who hold it.
    void install(std::shared_ptr<T> service)
    {
        std::shared_ptr<T> replaced;
        {
            std::lock_guard lock(m_mutex);
            replaced = std::exchange(m_installed, std::move(service));
        }
        // `replaced` may be the last owner: its destructor runs here, outside the lock, so that it
        // may itself ask the slot.
    }
    void reset() { install(nullptr); }

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<T> m_installed;
    const std::shared_ptr<T> m_builtIn;
};

} // namespace dw
