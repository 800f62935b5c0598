#include "lumbra32/error_words.h"

#include "lumbra32/lumbra32_errors.h"

namespace lumbra {

const char* ErrorWords(int code) {
    // No default: a code added to the list without words does not compile.
    switch (static_cast<Lumbra32Error>(code)) {
    case LUMBRA32_OK:
        return "No error.";
    case LUMBRA32_HOST_UNAVAILABLE:
        return "The plug-in host is not available.";
    case LUMBRA32_BAD_ARGUMENT:
        return "A plug-in name or argument is not valid.";
    case LUMBRA32_NO_DIRECTORY:
        return "The plug-in folder is not open or does not exist.";
    case LUMBRA32_NOT_FOUND:
        return "The plug-in was not found.";
    case LUMBRA32_WRONG_ARCHITECTURE:
        return "The file is not a filter plug-in that this host can run.";
    case LUMBRA32_LOAD_FAILED:
        return "The plug-in could not be loaded.";
    case LUMBRA32_NOT_LOADED:
        return "No plug-in is loaded.";
    case LUMBRA32_BAD_IMAGE:
        return "The image is not a valid 24-bit bitmap.";
    case LUMBRA32_IMAGE_TOO_LARGE:
        return "The image is too large for filter plug-ins (at most 30000 pixels a side).";
    case LUMBRA32_OUT_OF_MEMORY:
        return "There is not enough memory to run the plug-in.";
    case LUMBRA32_HELPER_FAILED:
        return "The plug-in host process could not be started.";
    case LUMBRA32_PLUGIN_CRASHED:
        return "The plug-in crashed.";
    case LUMBRA32_PLUGIN_ERROR:
        return "The plug-in reported an error.";
    case LUMBRA32_BAD_MODE:
        return "The plug-in does not work on RGB images.";
    case LUMBRA32_BUSY:
        return "A plug-in is already running.";
    case LUMBRA32_CANNOT_OPEN:
        return "The plug-in file cannot be opened: another program is using it, or access to it "
               "is denied.";
    case LUMBRA32_NAME_NOT_IN_CODE_PAGE:
        return "The path has characters that the active code page cannot hold. Use a folder whose "
               "name it can hold, or the folder's short name.";
    case LUMBRA32_USER_CANCELLED:
        return "The plug-in was cancelled.";
    }
    return "Unknown error.";
}

} // namespace lumbra
