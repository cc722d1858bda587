#include "loader/LoadRow.h"

namespace loader {

const char* LoadKindText(LoadKind kind)
{
    switch (kind) {
    case LoadKind::Program: return "program";
    case LoadKind::Static: return "static";
    case LoadKind::Delay: return "delay";
    case LoadKind::Forwarder: return "forwarder";
    }
    return "";
}

const char* FoundByText(FoundBy rule)
{
    switch (rule) {
    case FoundBy::ApiSet: return "apiset";
    case FoundBy::KnownDll: return "knowndll";
    case FoundBy::Sxs: return "sxs";
    case FoundBy::Loaded: return "loaded";
    case FoundBy::AppDir: return "appdir";
    case FoundBy::System: return "system";
    case FoundBy::System16: return "system16";
    case FoundBy::Windows: return "windows";
    case FoundBy::Current: return "current";
    case FoundBy::Path: return "path";
    case FoundBy::Missing: return "missing";
    case FoundBy::Given: return "given";
    }
    return "";
}

const char* ProblemText(Problem problem)
{
    switch (problem) {
    case Problem::None: return "";
    case Problem::Missing: return "missing";
    case Problem::WrongMachine: return "wrong-machine";
    case Problem::Unreadable: return "unreadable";
    case Problem::SxsUnresolved: return "sxs-unresolved";
    }
    return "";
}

const char* PassedOverText(PassedOver why)
{
    switch (why) {
    case PassedOver::Later: return "later";
    case PassedOver::WrongMachine: return "wrong-machine";
    case PassedOver::Unreadable: return "unreadable";
    }
    return "";
}

bool IsFailure(Problem problem)
{
    return problem == Problem::Missing || problem == Problem::WrongMachine || problem == Problem::Unreadable;
}

}  // namespace loader
