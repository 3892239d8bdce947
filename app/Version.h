#pragma once

// The one version number of the tool: the .rc and the code both read it here.
#define TAVRIN_VERSION_MAJOR 1
#define TAVRIN_VERSION_MINOR 11
#define TAVRIN_VERSION_BUILD 0
#define TAVRIN_VERSION_REVISION 0

#define TAVRIN_STRINGIZE_(x) #x
#define TAVRIN_STRINGIZE(x) TAVRIN_STRINGIZE_(x)
#define TAVRIN_VERSION_TEXT                                                              \
    TAVRIN_STRINGIZE(TAVRIN_VERSION_MAJOR) "." TAVRIN_STRINGIZE(TAVRIN_VERSION_MINOR) "." \
    TAVRIN_STRINGIZE(TAVRIN_VERSION_BUILD) "." TAVRIN_STRINGIZE(TAVRIN_VERSION_REVISION)
