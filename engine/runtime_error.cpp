#include "engine/runtime_error.h"

#include <new>

namespace quorvel {

std::string RuntimeError::standardDescription(int number)
{
    switch (number) {
    case InvalidProcedureCall:
        return "Chiamata di routine o argomento non validi";
    case Overflow:
        return "Overflow";
    case OutOfMemory:
        return "Memoria esaurita";
    case SubscriptOutOfRange:
        return "Indice non compreso nell'intervallo";
    case TypeMismatch:
        return "Tipo non corrispondente";
    case FileNotFound:
        return "Impossibile trovare il file";
    case PathFileAccessError:
        return "Errore di accesso al percorso o al file";
    case InvalidFileFormat:
        return "Formato di file non valido";
    default:
        return "Errore interno";
    }
}

RuntimeError RuntimeError::withDetail(int number, const std::string &detail)
{
    return RuntimeError(number, standardDescription(number) + ": " + detail);
}

ErrorInfo describeError(std::exception_ptr error)
{
    using Code = RuntimeError::Code;
    auto standard = [](int number, const char *detail) {
        std::string text = RuntimeError::standardDescription(number);
        if (detail && *detail)
            text += std::string(": ") + detail;
        return ErrorInfo {number, text};
    };
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError &e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc &) {
        return standard(Code::OutOfMemory, nullptr);
    } catch (const std::overflow_error &e) {
        return standard(Code::Overflow, e.what());
    } catch (const std::out_of_range &e) {
        return standard(Code::Overflow, e.what());
    } catch (const std::invalid_argument &e) {
        return standard(Code::TypeMismatch, e.what());
    } catch (const std::exception &e) {
        return standard(Code::InternalError, e.what());
    } catch (...) {
        return standard(Code::InternalError, nullptr);
    }
}

} // namespace quorvel
