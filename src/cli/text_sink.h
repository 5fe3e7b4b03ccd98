#pragma once
// Where the command line's text goes: standard output and standard error for the program, a
// string for a test that runs the commands in its own process.

#include <string>

namespace cli {

class text_sink {
public:
    virtual ~text_sink() = default;
    // Lines end with "\n" alone; a sink that needs other line ends makes them.
    virtual void write(const std::wstring& text) = 0;
};

class string_sink final : public text_sink {
public:
    void write(const std::wstring& text) override { m_text += text; }
    const std::wstring& text() const { return m_text; }

private:
    std::wstring m_text;
};

}  // namespace cli
