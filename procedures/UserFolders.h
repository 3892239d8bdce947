#pragma once

#include <map>
#include <optional>
#include <string>

namespace tavrin {

// Another user's environment variables, by name in upper case, as that
// user's registry gives them (never the tool's own environment: an
// administrator's or SYSTEM's profile is not the user's).
using UserVariables = std::map<std::wstring, std::wstring>;

// Adds what Windows derives from the profile folder when the user's
// registry does not list it: APPDATA and LOCALAPPDATA.
void CompleteUserVariables(UserVariables& variables);

// A `User Shell Folders` value with the user's variables put in: a full
// local path ("C:\..."), without a trailing separator. Nullopt for a blank
// or relative value, a UNC path, a reference to a variable the user does
// not have, or a control character: the tool must not write elsewhere.
std::optional<std::wstring> ExpandUserFolder(const std::wstring& value, const UserVariables& variables);

// The name in upper case as variable names are compared (ASCII letters only,
// as the names Windows sets are).
std::wstring VariableName(std::wstring name);

}  // namespace tavrin
