#pragma once
// Codes of ImageLastError, apart from the functions so that code without the Windows headers can
// name them too. ShowLastError names them in words, with the plug-in's own code or message
// where it gave one.
enum Lumbra32Error {
    LUMBRA32_OK = 0,
    LUMBRA32_HOST_UNAVAILABLE = 1,   // the plug-in host cannot be used (lumbra32host.exe missing)
    LUMBRA32_BAD_ARGUMENT = 2,       // a null or malformed argument, or a name that is no full path
    LUMBRA32_NO_DIRECTORY = 3,       // no plug-in folder open, or the folder does not exist
    LUMBRA32_NOT_FOUND = 4,          // no such plug-in file, or no such filter in it
    LUMBRA32_WRONG_ARCHITECTURE = 5, // not a plug-in this host can run (other machine, no entry)
    LUMBRA32_LOAD_FAILED = 6,        // the plug-in file or its entry point could not be loaded
    LUMBRA32_NOT_LOADED = 7,         // PlugInRun without a successful PlugInLoad
    LUMBRA32_BAD_IMAGE = 8,          // not an image of ImageFromDib, or not a packed 24-bit DIB
    LUMBRA32_IMAGE_TOO_LARGE = 9,    // more than 30000 pixels a side
    LUMBRA32_OUT_OF_MEMORY = 10,     // memory for the pixels or for the plug-in ran out
    LUMBRA32_HELPER_FAILED = 11,     // the helper process could not be started or reached
    LUMBRA32_PLUGIN_CRASHED = 12,    // the plug-in crashed; its helper process ended
    LUMBRA32_PLUGIN_ERROR = 13,      // the plug-in reported an error
    LUMBRA32_BAD_MODE = 14,          // the plug-in does not work on RGB images
    LUMBRA32_BUSY = 15,              // called again while a plug-in runs
    LUMBRA32_CANNOT_OPEN = 16,       // the plug-in file cannot be opened (in use, no access)
    LUMBRA32_NAME_NOT_IN_CODE_PAGE = 17, // a path with characters the active code page lacks
    LUMBRA32_USER_CANCELLED = 49,        // the run was cancelled (Esc, or a hung plug-in stopped):
                                         // not a failure
};
