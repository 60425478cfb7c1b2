#pragma once

#include <string>

// The modal CNPJ entry as its callers see it: the entry's text can be set before a showing and is
// read back, digits and blanks laid out in the mask, after the showing ends, however it ended.
class CnpjPrompt {
public:
    virtual ~CnpjPrompt() = default;

    virtual void SetEntryText(const std::string& text) = 0;
    virtual std::string EntryText() const = 0;

    // Shows the dialog modally; returns when it is closed by its button or its close box.
    virtual void ShowModal() = 0;
};
