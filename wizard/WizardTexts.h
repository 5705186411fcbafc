#pragma once

#include <QString>

// The wizard's own words, in the mini-HTML that its text labels render.
namespace WizardTexts {

inline const QString Title = QStringLiteral("Orvanta 5 Trial Setup");
inline const QString HeaderTitle = QStringLiteral("Welcome to Your Orvanta 5 Trial");

inline const QString Footer = QStringLiteral(
    "<P align=\"center\">Copyright © 2022 <A href=\"website\">Orvanta Software</A>. "
    "All rights reserved.</P>");

inline const QString Welcome = QStringLiteral(
    "Thank you for downloading Orvanta 5 to try.<BR><BR>All features are enabled during the "
    "<B>60 day trial period</B>, and we provide you with <B>full support</B> while you are trying "
    "Orvanta.<BR><BR>Orvanta has been carefully created to <B>save you time and money</B> by "
    "<B>increasing productivity</B> while enabling you to <B>efficiently manage and track phone "
    "calls</B>.<BR><BR>We trust that you will find Orvanta a valuable and essential addition to "
    "your office, and we look forward to welcoming you as a Orvanta client.<BR><BR>Now let's get "
    "your trial started.  Please click the <B>Start</B> button.");

inline const QString SelectionIntro = QStringLiteral("There are <B>two parts</B> to installing Orvanta.");

inline const QString SelectionServer = QStringLiteral(
    "<B>First</B>, we install <B>Orvanta Server</B> on your Server.  If you don't have a Server, "
    "you can use a workstation to act as the Server (it can still be used as a workstation)."
    "<BR><BR>Let's install Orvanta Server now by clicking <B>Install Server</B>.  If you're not on "
    "a Server, or a Host PC (a workstation that you will use as a Server), then close this program "
    "and open it on your Server or Host PC.<BR><BR>If you have already installed Orvanta Server "
    "then please proceed to Step 2.<BR><BR><B>Important</B>: Orvanta Server should only be "
    "installed on <B>one</B> Server <U>or</U> <B>one</B> Host PC.");

inline const QString SelectionWorkstation = QStringLiteral(
    "The <B>2nd</B> part is to install <B>Orvanta Workstation</B> on each of your workstations."
    "<BR><BR>If you have already installed the Orvanta Server then click <B>Install "
    "Workstation</B>.");

inline const QString InstallServer = QStringLiteral(
    "We will now download the Orvanta Server setup program, which will automatically run when the "
    "download has completed.<BR><BR>Please make sure that you are on your <B>Server</B>, <U>or</U> "
    "the workstation you selected to be the <B>Host PC</B>.<BR><BR>Remember, you should only "
    "install Orvanta Server on <B>one</B> machine on your network.<BR><BR>Please click "
    "<B>Download </B>to begin.");

inline const QString InstallWorkstation = QStringLiteral(
    "Let's download the Orvanta Workstation setup program.  The download will run automatically "
    "once it has completed.<BR><BR>Please click <B>Download </B>to begin.");

inline const QString ServerInstalled = QStringLiteral(
    "Good work.  The Orvanta 5 Server has been installed.<BR><BR>Now it's time to install "
    "<B>Orvanta 5 Workstation</B> on each of your computers, so copy this program to each "
    "workstation and run it.<BR><BR>There are links below for the <B>Getting Started</B> video "
    "tutorials, as well as our <B>Support </B>page if you need help.");

inline const QString WorkstationInstalled = QStringLiteral(
    "Excellent.  Things are going well. Make sure you install <B>Orvanta 5 Workstation </B>on "
    "each of your computers.<BR><BR>If you've done that then you're ready to start using "
    "Orvanta.  Check your email software for an email from us with information on how to add "
    "users.<BR><BR>You can login to Orvanta using the default administrator account that has "
    "been set up for you:<BR><BR><IND x=\"30\">Username:   <FONT color=\"#8000FF\">Admin</FONT>"
    "<BR><BR><IND x=\"30\">Password:   <FONT color=\"#8000FF\"> pelmo</FONT><BR><BR>There are "
    "links below for <B>Getting Started</B>, as well as a link to our <B>Support </B>page if you "
    "need help.");

inline const QString CanClose = QStringLiteral("You can now close this program.");

inline const QString GettingStartedCaption = QStringLiteral("Getting Started with Orvanta");
inline const QString SupportRequestCaption = QStringLiteral("Support Request");
inline const QString SupportCaption = QStringLiteral("Support");

inline const QString GettingStartedPath = QStringLiteral("/getting-started.htm");
inline const QString SupportRequestPath = QStringLiteral("/newsupportrequest");
inline const QString SupportPath = QStringLiteral("/support.htm");

} // namespace WizardTexts
