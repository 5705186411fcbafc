// The component and its items: defaults, version, counts, Assign and saved settings.
#include "webcopy/WebCopy.h"

#include <QMetaProperty>
#include <gtest/gtest.h>

TEST(WebCopyComponent, NewInstanceHasTheDocumentedDefaults)
{
    TWebCopy webCopy;
    EXPECT_EQ(webCopy.Version(), QStringLiteral("2.4.4.0"));
    webCopy.setProperty("Version", QStringLiteral("9.9.9.9"));
    EXPECT_EQ(webCopy.property("Version").toString(), QStringLiteral("2.4.4.0"));
    EXPECT_EQ(webCopy.Agent, QStringLiteral("WebCopy"));
    EXPECT_EQ(webCopy.Timeout, 0);
    EXPECT_EQ(webCopy.FTPMode, fmBINARY);
    EXPECT_EQ(webCopy.Items().Count(), 0);
    EXPECT_EQ(webCopy.ProgressForm(), nullptr);

    // The switches that start true; every other one starts false.
    const QStringList onByDefault = {QStringLiteral("ShowDialog"), QStringLiteral("ShowDialogOnTop"),
                                     QStringLiteral("ShowFileName"), QStringLiteral("ShowServer"),
                                     QStringLiteral("DlgShowCancel")};
    const QMetaObject* meta = webCopy.metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.metaType() != QMetaType::fromType<bool>())
            continue;
        const QString name = QString::fromLatin1(property.name());
        EXPECT_EQ(property.read(&webCopy).toBool(), onByDefault.contains(name)) << property.name();
    }
}

TEST(WebCopyComponent, SavesOnlyWhatDiffersPlusTheAlwaysStoredSettings)
{
    TWebCopy webCopy;
    EXPECT_EQ(webCopy.StoredSettings().keys(), (QStringList {QStringLiteral("FTPPassive"), QStringLiteral("Timeout")}));

    webCopy.Agent = QStringLiteral("Setup");
    webCopy.ShowServer = false;
    const QVariantMap stored = webCopy.StoredSettings();
    EXPECT_EQ(stored.size(), 4);
    EXPECT_EQ(stored.value(QStringLiteral("Agent")).toString(), QStringLiteral("Setup"));

    TWebCopy loaded;
    loaded.LoadSettings(stored);
    EXPECT_EQ(loaded.Agent, QStringLiteral("Setup"));
    EXPECT_FALSE(loaded.ShowServer);

    // Enumerations are set by their names, as a description stores them.
    TWebCopyItem item;
    item.setProperty("Protocol", QStringLiteral("wpFtpList"));
    EXPECT_EQ(item.Protocol, wpFtpList);
    EXPECT_EQ(TWebCopyItem().StoredSettings().keys(),
              (QStringList {QStringLiteral("FTPPort"), QStringLiteral("HTTPCommand"), QStringLiteral("Protocol")}));
}

TEST(WebCopyItems, NewItemDefaultsCountsAndIndexing)
{
    TWebCopy webCopy;
    TWebCopyItems& items = webCopy.Items();
    TWebCopyItem* first = items.Add();
    EXPECT_TRUE(first->Active);
    EXPECT_EQ(first->FTPPort, 21);
    EXPECT_EQ(first->Protocol, wpHttp);
    EXPECT_EQ(first->HTTPCommand, hcPost);
    EXPECT_EQ(first->Authenticate, waNever);
    EXPECT_EQ(first->FileSize, 0u);
    EXPECT_EQ(first->FileList(), nullptr);
    EXPECT_EQ(first->FileDetails(), nullptr);
    EXPECT_EQ(items.Owner(), &webCopy);

    items.Add()->Active = false;
    TWebCopyItem* third = items.Add();
    TWebCopyItem* inserted = items.Insert(0);
    EXPECT_EQ(items.Count(), 4);
    EXPECT_EQ(items[0], inserted);
    EXPECT_EQ(items[3], third);
    EXPECT_EQ(items.ActiveItems(), 3);
    EXPECT_EQ(items.SuccessCount(), 0);
    EXPECT_THROW(items.Items(4), std::out_of_range);

    items.Delete(0);
    EXPECT_EQ(items[0], first);
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
}

TEST(WebCopyItems, AssignCopiesTheSixteenSettingsAndNothingElse)
{
    TWebCopy webCopy;
    TWebCopyItem* source = webCopy.Items().Add();
    source->Active = false;
    source->Authenticate = waAuto;
    source->CopyNewerOnly = true;
    source->DisplayURL = QStringLiteral("shown");
    source->FileDate = 45000.5;
    source->FTPHost = QStringLiteral("ftp.example");
    source->FTPUserID = QStringLiteral("user");
    source->FTPPassword = QStringLiteral("secret");
    source->FTPPort = 2121;
    source->HTTPCommand = hcPut;
    source->Protocol = wpFtpUpload;
    source->TargetDir = QStringLiteral("/tmp/target");
    source->TargetFilename = QStringLiteral("name.bin");
    source->URL = QStringLiteral("https://example/x");
    source->HTTPUserID = QStringLiteral("web");
    source->HTTPPassword = QStringLiteral("word");
    source->FileSize = 99;
    source->NewFileDate = 1;

    TWebCopyItem* target = webCopy.Items().Add();
    target->FileSize = 7;
    target->NewFileDate = 2;
    webCopy.Items().SetItems(1, source);

    EXPECT_EQ(target->StoredSettings(), source->StoredSettings());
    EXPECT_EQ(target->FileSize, 7u);
    EXPECT_EQ(target->NewFileDate, 2);
    EXPECT_FALSE(target->Success());

    QObject stranger;
    target->Assign(&stranger);
    EXPECT_EQ(target->URL, QStringLiteral("https://example/x"));
}

TEST(WebCopyComponent, KeepConnectionTable)
{
    struct Entry {
        TWebCopyProtocol protocol;
        const char* host;
        const char* password;
        int port;
        bool active;
    };
    struct Case {
        const char* name;
        std::vector<Entry> items;
        std::vector<bool> expected;
    };
    const std::vector<Case> cases = {
        {"two downloads and an upload, same server",
         {{wpFtp, "h", "p", 21, true}, {wpFtp, "h", "p", 21, true}, {wpFtpUpload, "h", "p", 21, true}},
         {true, true, false}},
        {"second password differs",
         {{wpFtp, "h", "p", 21, true}, {wpFtp, "h", "q", 21, true}, {wpFtpUpload, "h", "p", 21, true}},
         {false, false, false}},
        {"only the port differs", {{wpFtp, "h", "p", 21, true}, {wpFtp, "h", "p", 2121, true}}, {true, false}},
        {"next item inactive", {{wpFtp, "h", "p", 21, true}, {wpFtp, "h", "p", 21, false}}, {true, false}},
        {"next item is not an FTP transfer", {{wpFtp, "h", "p", 21, true}, {wpFtpList, "h", "p", 21, true}}, {false, false}},
        {"an HTTP item first", {{wpHttp, "h", "p", 21, true}, {wpFtp, "h", "p", 21, true}}, {false, false}},
    };
    for (const Case& c : cases) {
        TWebCopy webCopy;
        for (const Entry& entry : c.items) {
            TWebCopyItem* item = webCopy.Items().Add();
            item->Protocol = entry.protocol;
            item->FTPHost = QString::fromLatin1(entry.host);
            item->FTPUserID = QStringLiteral("u");
            item->FTPPassword = QString::fromLatin1(entry.password);
            item->FTPPort = entry.port;
            item->Active = entry.active;
        }
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(webCopy.KeepConnection(static_cast<int>(i)), c.expected[i]) << c.name << ", item " << i;
    }
}
