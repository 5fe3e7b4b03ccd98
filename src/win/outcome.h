#pragma once
// What an operation below the windows came to. Nothing below the windows shows a box: an
// operation that can fail returns this, and the window that called it shows each failure at
// once as a message box with its flags, or the command line prints it as a line on standard
// error. Most operations stop at their first failure; the few that go on past one (AutoCAD
// discovery, writing a profile's two values) hold each failure in the order it happened.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace win {

struct failure {
    std::wstring text;                  // the whole message, as a person reads it
    UINT flags = MB_OK | MB_ICONERROR;  // the box that shows it
};

class [[nodiscard]] outcome {
public:
    outcome() = default;  // done, nothing to show

    // Failed with nothing to show: the caller knows why, or nobody needs telling.
    static outcome failed()
    {
        outcome result;
        result.m_done = false;
        return result;
    }

    static outcome failed(std::wstring text, UINT flags = MB_OK | MB_ICONERROR)
    {
        outcome result;
        result.m_done = false;
        result.m_failures.push_back({std::move(text), flags});
        return result;
    }

    // Whether the operation did what it was asked; it may have gone past failures on the way.
    explicit operator bool() const { return m_done; }
    // Done, and nothing to show.
    bool clean() const { return m_done && m_failures.empty(); }
    const std::vector<failure>& failures() const { return m_failures; }
    // The failures' texts joined by "; "; empty when there are none.
    std::wstring text() const
    {
        std::wstring joined;
        for (const failure& each : m_failures)
            joined += (joined.empty() ? L"" : L"; ") + each.text;
        return joined;
    }

    // A step of this operation: its failures follow ours, and when it failed so did we.
    outcome& operator+=(outcome step)
    {
        m_done = m_done && step.m_done;
        return went_past(std::move(step));
    }
    // A failure the operation goes on past: shown all the same, but this stays done.
    outcome& went_past(outcome step)
    {
        for (failure& each : step.m_failures)
            m_failures.push_back(std::move(each));
        return *this;
    }

private:
    bool m_done = true;
    std::vector<failure> m_failures;
};

}  // namespace win
