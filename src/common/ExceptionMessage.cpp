#include "common/ExceptionMessage.h"

#include <exception>

std::string CurrentExceptionMessage() noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Erro inesperado";
    }
}
