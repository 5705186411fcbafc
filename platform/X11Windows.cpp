#include "platform/X11Windows.h"

#include <climits>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// A window may vanish while it is looked at; Xlib's default handler would end the program.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// The 32-bit items of a property, or none when the window lacks it.
std::vector<unsigned long> longProperty(Display* display, Window window, const char* name, Atom type)
{
    const Atom property = XInternAtom(display, name, True);
    if (property == None)
        return {};
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, LONG_MAX / 4, False, type, &actualType, &format, &count,
                           &bytesAfter, &data)
            != Success
        || data == nullptr)
        return {};
    std::vector<unsigned long> items;
    if (actualType == type && format == 32) {
        // Xlib hands 32-bit items over as longs, whatever the size of a long.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    XFree(data);
    return items;
}

// Top-level windows, bottom of the stacking order first.
std::vector<unsigned long> stackedTopLevelWindows(Display* display, Window root)
{
    std::vector<unsigned long> managed = longProperty(display, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
    if (!managed.empty())
        return managed;
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) == 0 || children == nullptr)
        return {};
    std::vector<unsigned long> windows(children, children + count);
    XFree(children);
    return windows;
}

// A window transient for the root window belongs to its application's group, not to a window.
bool hasOwner(Display* display, Window window, Window root)
{
    Window owner = None;
    return XGetTransientForHint(display, window, &owner) != 0 && owner != None && owner != root;
}

} // namespace

quintptr TopLevelWindowOfProcess(qint64 processId)
{
    if (processId <= 0)
        return 0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 0;
    const auto previousHandler = XSetErrorHandler(ignoreErrors);

    quintptr found = 0;
    const Window root = DefaultRootWindow(display);
    const std::vector<unsigned long> windows = stackedTopLevelWindows(display, root);
    for (auto window = windows.crbegin(); window != windows.crend() && found == 0; ++window) {
        const std::vector<unsigned long> pid = longProperty(display, *window, "_NET_WM_PID", XA_CARDINAL);
        if (pid.size() == 1 && static_cast<qint64>(pid.front()) == processId && !hasOwner(display, *window, root))
            found = static_cast<quintptr>(*window);
    }

    XSync(display, False);
    XSetErrorHandler(previousHandler);
    XCloseDisplay(display);
    return found;
}
