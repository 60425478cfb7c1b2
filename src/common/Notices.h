#pragma once

#include <string>

// A manager of small pop-up notices. Show returns at once; the notice closes by itself.
class Notices {
public:
    virtual ~Notices() = default;

    virtual void Show(const std::string& caption, const std::string& text) = 0;
};
