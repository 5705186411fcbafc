#pragma once

#include <QString>

#include <libsmbclient.h>

// The network share client, loaded the first time a share is used rather than with the program:
// it brings some seventy libraries of its own, which more than doubled the start-up time of every
// program, the wizard's included, that never touches a share. Loaded once; it stays loaded.
struct TSmbClientLibrary {
    decltype(&smbc_new_context) NewContext = nullptr;
    decltype(&smbc_init_context) InitContext = nullptr;
    decltype(&smbc_free_context) FreeContext = nullptr;
    decltype(&smbc_setDebug) SetDebug = nullptr;
    decltype(&smbc_setOptionUserData) SetOptionUserData = nullptr;
    decltype(&smbc_getOptionUserData) GetOptionUserData = nullptr;
    decltype(&smbc_setFunctionAuthDataWithContext) SetFunctionAuthDataWithContext = nullptr;
    decltype(&smbc_setOptionNoAutoAnonymousLogin) SetOptionNoAutoAnonymousLogin = nullptr;
    decltype(&smbc_setOptionProtocols) SetOptionProtocols = nullptr;
    decltype(&smbc_setPort) SetPort = nullptr;
    decltype(&smbc_setTimeout) SetTimeout = nullptr;
    decltype(&smbc_getFunctionOpen) GetFunctionOpen = nullptr;
    decltype(&smbc_getFunctionClose) GetFunctionClose = nullptr;
    decltype(&smbc_getFunctionRead) GetFunctionRead = nullptr;
    decltype(&smbc_getFunctionWrite) GetFunctionWrite = nullptr;
    decltype(&smbc_getFunctionFstat) GetFunctionFstat = nullptr;
    decltype(&smbc_getFunctionStat) GetFunctionStat = nullptr;
    decltype(&smbc_getFunctionOpendir) GetFunctionOpendir = nullptr;
    decltype(&smbc_getFunctionClosedir) GetFunctionClosedir = nullptr;
    decltype(&smbc_getFunctionMkdir) GetFunctionMkdir = nullptr;
    decltype(&smbc_getFunctionRename) GetFunctionRename = nullptr;
    decltype(&smbc_getFunctionUnlink) GetFunctionUnlink = nullptr;

    // The library, loading it on the first call; null when it cannot be loaded, and `reason`
    // (when given) then says why.
    static const TSmbClientLibrary* Load(QString* reason = nullptr);
};

// The loaded library, for code that only runs once a share is connected (Load succeeded).
const TSmbClientLibrary& SmbClient();
