#include "tests/platform/EnvironmentOverride.h"

#include <algorithm>
#include <cstring>

TEnvironmentOverride::~TEnvironmentOverride()
{
    for (auto saved = FSaved.crbegin(); saved != FSaved.crend(); ++saved) {
        if (saved->Value)
            qputenv(saved->Name, *saved->Value);
        else
            qunsetenv(saved->Name);
    }
}

void TEnvironmentOverride::set(const char* name, const QByteArray& value)
{
    remember(name);
    qputenv(name, value);
}

void TEnvironmentOverride::unset(const char* name)
{
    remember(name);
    qunsetenv(name);
}

void TEnvironmentOverride::remember(const char* name)
{
    const bool known = std::any_of(FSaved.cbegin(), FSaved.cend(),
                                   [name](const TSaved& saved) { return std::strcmp(saved.Name, name) == 0; });
    if (known)
        return;
    FSaved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
}
