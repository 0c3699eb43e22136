// Arithmetic shared by the layout's wrapping and drawing halves.
#pragma once
#include <algorithm>
#include <cmath>
#include <mutex>

namespace vdxdt {

// Half to even, as all layout arithmetic rounds.
inline int Round(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(std::nearbyint(v), -1e9, 1e9));
}

inline int Trunc(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(std::trunc(v), -1e9, 1e9));
}

constexpr double kPi = 3.14159265358979323846;

class CanvasLock {
public:
    explicit CanvasLock(std::recursive_mutex &m) : m_m(m) { m_m.lock(); }
    ~CanvasLock() { m_m.unlock(); }
    CanvasLock(const CanvasLock &) = delete;
    CanvasLock &operator=(const CanvasLock &) = delete;

private:
    std::recursive_mutex &m_m;
};

} // namespace vdxdt
