#!/usr/bin/env python3
"""Walks the wizard as a screen reader does, over the accessibility bus (AT-SPI).

It finds the application by its name, reads the tree, and presses every button and follows every
link through their accessible actions: Start, Back, Install Workstation, Back, Install Server,
Back, Install Server, Download; on the installed page each link and the footer link; About, and
in the About box each link (the first one named by the shown web address, the one argument). Escape (typed with xdotool) closes the About box. Every wait has a
deadline. Prints one line per action done and exits 0, or names what it could not find and exits 1.

With --proxy-login USER PASSWORD it walks to Download instead and answers the proxy's login box:
reads why it came (the dialog's description), types into the fields it finds by their names and
presses OK.
"""

import subprocess
import sys
import time

import pyatspi

APPLICATION = "Orvanta 5 Trial Setup"
DEADLINE_SECONDS = 20
ACTIVATE = ("press", "click", "jump")


def fail(message):
    print("FAILED: " + message, flush=True)
    sys.exit(1)


def wait_for(what, find):
    end = time.monotonic() + DEADLINE_SECONDS
    while time.monotonic() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    fail("no " + what)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == APPLICATION:
            return app
    return None


def showing(node, role, name):
    """The first showing node of that role and name under node, or None."""
    try:
        if (node.getRole() == role and node.name == name
                and node.getState().contains(pyatspi.STATE_SHOWING)):
            return node
        for child in node:
            if child is not None:
                found = showing(child, role, name)
                if found is not None:
                    return found
    except Exception:  # a node that went away while it was read
        return None
    return None


def activate(role, name, leaves=False):
    """leaves: the action changes the page, which is waited for before the next one is looked for."""
    node = wait_for("%s %r" % (role, name), lambda: showing(application() or [], role, name))
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    for index, action in enumerate(names):
        if action.lower() in ACTIVATE:
            if not actions.doAction(index):
                fail("%r refused %s" % (name, action))
            print("%s %s: %s" % (action, role, name), flush=True)
            if leaves:
                wait_for("page after " + name,
                         lambda: None if node.getState().contains(pyatspi.STATE_SHOWING) else True)
            return
    fail("%r offers no way to activate it, only %s" % (name, names))


def proxy_login(user, password):
    for name in ("Start", "Install Server"):
        activate(pyatspi.ROLE_PUSH_BUTTON, name, leaves=True)
    activate(pyatspi.ROLE_PUSH_BUTTON, "Download")
    fields = {}
    for role, name, text in ((pyatspi.ROLE_TEXT, "User name", user),
                             (pyatspi.ROLE_PASSWORD_TEXT, "Password", password)):
        field = wait_for("%s %r" % (role, name), lambda: showing(application() or [], role, name))
        fields[name] = field
        if not field.queryEditableText().setTextContents(text):
            fail("%r took no text" % name)
        print("typed into %s" % name, flush=True)
    dialog = fields["User name"].parent
    while dialog is not None and dialog.getRole() != pyatspi.ROLE_DIALOG:
        dialog = dialog.parent
    print("box: %s" % (dialog.description if dialog is not None else "none"), flush=True)
    activate(pyatspi.ROLE_PUSH_BUTTON, "OK")
    print("done", flush=True)


def main():
    wait_for("application " + APPLICATION, application)
    if sys.argv[1] == "--proxy-login":
        proxy_login(sys.argv[2], sys.argv[3])
        return
    button, link = pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LINK
    for name in ("Start", "Back", "Start", "Install Workstation", "Back", "Install Server", "Back",
                 "Install Server"):
        activate(button, name, leaves=True)
    activate(button, "Download")
    for name in ("Getting Started with Orvanta", "Support Request", "Support", "Orvanta Software"):
        activate(link, name)
    activate(button, "About")
    for name in (sys.argv[1], "sales@orvanta.com", "support@orvanta.com"):
        activate(link, name)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    wait_for("About box closed",
             lambda: None if showing(application() or [], link, "sales@orvanta.com") else True)
    print("done", flush=True)


if __name__ == "__main__":
    main()
