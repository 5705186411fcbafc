#include "platform/SmbClientLibrary.h"

#include <optional>
#include <type_traits>

#include <dlfcn.h>

namespace {

constexpr const char* LibraryName = "libsmbclient.so.0";

struct TLoaded {
    std::optional<TSmbClientLibrary> Library;
    QString Reason;
};

TLoaded LoadLibrary()
{
    TLoaded loaded;
    void* handle = ::dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        loaded.Reason = QStringLiteral("The network share client cannot be loaded: ") + QString::fromLocal8Bit(::dlerror());
        return loaded;
    }
    TSmbClientLibrary library;
    QString missing;
    const auto resolve = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(handle, name));
        if (!function && missing.isEmpty())
            missing = QString::fromLatin1(name);
    };
    resolve(library.NewContext, "smbc_new_context");
    resolve(library.InitContext, "smbc_init_context");
    resolve(library.FreeContext, "smbc_free_context");
    resolve(library.SetDebug, "smbc_setDebug");
    resolve(library.SetOptionUserData, "smbc_setOptionUserData");
    resolve(library.GetOptionUserData, "smbc_getOptionUserData");
    resolve(library.SetFunctionAuthDataWithContext, "smbc_setFunctionAuthDataWithContext");
    resolve(library.SetOptionNoAutoAnonymousLogin, "smbc_setOptionNoAutoAnonymousLogin");
    resolve(library.SetOptionProtocols, "smbc_setOptionProtocols");
    resolve(library.SetPort, "smbc_setPort");
    resolve(library.SetTimeout, "smbc_setTimeout");
    resolve(library.GetFunctionOpen, "smbc_getFunctionOpen");
    resolve(library.GetFunctionClose, "smbc_getFunctionClose");
    resolve(library.GetFunctionRead, "smbc_getFunctionRead");
    resolve(library.GetFunctionWrite, "smbc_getFunctionWrite");
    resolve(library.GetFunctionFstat, "smbc_getFunctionFstat");
    resolve(library.GetFunctionStat, "smbc_getFunctionStat");
    resolve(library.GetFunctionOpendir, "smbc_getFunctionOpendir");
    resolve(library.GetFunctionClosedir, "smbc_getFunctionClosedir");
    resolve(library.GetFunctionMkdir, "smbc_getFunctionMkdir");
    resolve(library.GetFunctionRename, "smbc_getFunctionRename");
    resolve(library.GetFunctionUnlink, "smbc_getFunctionUnlink");
    if (!missing.isEmpty()) {
        // The handle stays open: unloading samba's libraries is not safe once they ran.
        loaded.Reason = QStringLiteral("The network share client lacks ") + missing;
        return loaded;
    }
    loaded.Library = library;
    return loaded;
}

const TLoaded& LoadedOnce()
{
    static const TLoaded loaded = LoadLibrary();
    return loaded;
}

} // namespace

const TSmbClientLibrary* TSmbClientLibrary::Load(QString* reason)
{
    const TLoaded& loaded = LoadedOnce();
    if (!loaded.Library && reason)
        *reason = loaded.Reason;
    return loaded.Library ? &*loaded.Library : nullptr;
}

const TSmbClientLibrary& SmbClient()
{
    return *LoadedOnce().Library;
}
