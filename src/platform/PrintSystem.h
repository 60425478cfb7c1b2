#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// Raised when the print system refuses a request; the text says what and why.
class PrintSystemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The computer's printers and the current user's default printer.
class PrintSystem {
public:
    virtual ~PrintSystem() = default;

    // Every installed printer (local ones and connections), in the print system's order.
    virtual std::vector<std::string> PrinterNames() const = 0;

    // The user's default printer; empty when there is none.
    virtual std::string DefaultPrinter() const = 0;

    // Makes the named printer the user's default. Raises PrintSystemError for a name that is not
    // an installed printer, leaving the default as it was.
    virtual void SetDefaultPrinter(const std::string& name) = 0;

    // Submits a document to the user's default printer (the "print" action on a document) and
    // returns without waiting for the printout. Raises PrintSystemError when there is no default
    // printer or the print system refuses the document.
    virtual void PrintFile(const std::string& documentPath) = 0;
};
