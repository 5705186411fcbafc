// The verifier against signatures made by the minisign tool itself.
#include "platform/SignatureVerifier.h"
#include "tests/support/MinisignKeyPair.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

using TForm = TMinisignKeyPair::TForm;

class SignatureVerifierTest : public ::testing::Test {
public:  // the cases' preparations use the fixture's files
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        ASSERT_TRUE(FMaker.Make(FDir.path(), QStringLiteral("maker"))) << FMaker.Message().toStdString();
        ASSERT_TRUE(FOther.Make(FDir.path(), QStringLiteral("other"))) << FOther.Message().toStdString();
        // Several read blocks, so a flipped byte deep inside is hashed too.
        QByteArray program(200000, Qt::Uninitialized);
        for (int i = 0; i < program.size(); ++i)
            program[i] = char(i * 7 % 251);
        Write(Program, program);
    }

    QString Path(const QString& name) const { return FDir.filePath(name); }
    void Write(const QString& name, const QByteArray& data)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(data), data.size());
    }
    QByteArray Read(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Sign(TMinisignKeyPair& key, const QString& file, TForm form = TForm::Prehashed)
    {
        ASSERT_TRUE(key.Sign(Path(file), Path(Signature), QStringLiteral("version 5.0.1234"), form))
            << key.Message().toStdString();
    }

    const QString Program = QStringLiteral("setup.bin");
    const QString Signature = QStringLiteral("setup.bin.minisig");
    QTemporaryDir FDir;
    TMinisignKeyPair FMaker;
    TMinisignKeyPair FOther;
};

} // namespace

TEST_F(SignatureVerifierTest, EachWayASignatureCanFailIsToldApart)
{
    const struct {
        const char* name;
        std::function<void(SignatureVerifierTest&)> prepare;
        TSignatureFailure failure;
        const char* reason;
    } cases[] = {
        {"prehashed", [](SignatureVerifierTest& t) { t.Sign(t.FMaker, t.Program); }, TSignatureFailure::None, ""},
        {"legacy", [](SignatureVerifierTest& t) { t.Sign(t.FMaker, t.Program, TForm::Legacy); },
         TSignatureFailure::None, ""},
        {"empty file, legacy",
         [](SignatureVerifierTest& t) {
             t.Write(t.Program, {});
             t.Sign(t.FMaker, t.Program, TForm::Legacy);
         },
         TSignatureFailure::None, ""},
        {"one flipped byte",
         [](SignatureVerifierTest& t) {
             t.Sign(t.FMaker, t.Program);
             QByteArray program = t.Read(t.Program);
             program[150000] = char(program[150000] ^ 1);
             t.Write(t.Program, program);
         },
         TSignatureFailure::FileMismatch, "does not match"},
        {"one flipped byte, legacy",
         [](SignatureVerifierTest& t) {
             t.Sign(t.FMaker, t.Program, TForm::Legacy);
             QByteArray program = t.Read(t.Program);
             program[0] = char(program[0] ^ 0x80);
             t.Write(t.Program, program);
         },
         TSignatureFailure::FileMismatch, "does not match"},
        {"signature of another file",
         [](SignatureVerifierTest& t) {
             t.Write(QStringLiteral("other.bin"), "another program");
             t.Sign(t.FMaker, QStringLiteral("other.bin"));
         },
         TSignatureFailure::FileMismatch, "does not match"},
        {"signed by another key", [](SignatureVerifierTest& t) { t.Sign(t.FOther, t.Program); },
         TSignatureFailure::WrongKey, "signed with key"},
        {"truncated",
         [](SignatureVerifierTest& t) {
             t.Sign(t.FMaker, t.Program);
             t.Write(t.Signature, t.Read(t.Signature).left(120));
         },
         TSignatureFailure::Malformed, "malformed"},
        {"garbage", [](SignatureVerifierTest& t) { t.Write(t.Signature, "<html>Not found</html>\n"); },
         TSignatureFailure::Malformed, "malformed"},
        {"empty signature file", [](SignatureVerifierTest& t) { t.Write(t.Signature, {}); },
         TSignatureFailure::Malformed, "malformed"},
        {"huge signature file", [](SignatureVerifierTest& t) { t.Write(t.Signature, QByteArray(100000, 'A')); },
         TSignatureFailure::Malformed, "too large"},
        {"trusted comment changed",
         [](SignatureVerifierTest& t) {
             t.Sign(t.FMaker, t.Program);
             t.Write(t.Signature, t.Read(t.Signature).replace("version 5.0.1234", "version 9.9.9999"));
         },
         TSignatureFailure::CommentAltered, "trusted comment was altered"},
        {"no signature file", [](SignatureVerifierTest&) {}, TSignatureFailure::Unreadable, "could not be read"},
    };
    const TSignatureVerifier verifier(FMaker.PublicKeyLine());
    ASSERT_TRUE(verifier.KeyIsValid());
    const QByteArray program = Read(Program);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(Program, program);
        QFile::remove(Path(Signature));
        c.prepare(*this);

        const TSignatureCheck check = verifier.Verify(Path(Program), Path(Signature));

        EXPECT_EQ(int(check.Failure), int(c.failure)) << check.Reason.toStdString();
        EXPECT_EQ(check.Proven(), c.failure == TSignatureFailure::None);
        EXPECT_TRUE(check.Reason.contains(QLatin1String(c.reason))) << check.Reason.toStdString();
        EXPECT_EQ(check.TrustedComment, check.Proven() ? QStringLiteral("version 5.0.1234") : QString());
    }
}

TEST_F(SignatureVerifierTest, TheKeyIdIsShownAsMinisignShowsIt)
{
    const TSignatureVerifier verifier(FMaker.PublicKeyLine());
    Sign(FOther, Program);
    const QString otherId = TSignatureVerifier(FOther.PublicKeyLine()).KeyId();
    // minisign names the key id in the public key file's comment line.
    EXPECT_TRUE(Read(QStringLiteral("maker.pub")).contains(verifier.KeyId().toLatin1()));
    EXPECT_EQ(verifier.Verify(Path(Program), Path(Signature)).Reason,
              QStringLiteral("The file was signed with key %1, not with key %2.").arg(otherId, verifier.KeyId()));
}

TEST_F(SignatureVerifierTest, AMalformedPublicKeyProvesNothing)
{
    Sign(FMaker, Program);
    QByteArray shortened = FMaker.PublicKeyLine();
    shortened.chop(4);
    for (const QByteArray& key : {QByteArray(), QByteArray("not base64!"), shortened}) {
        SCOPED_TRACE(key.toStdString());
        const TSignatureVerifier verifier(key);
        EXPECT_FALSE(verifier.KeyIsValid());
        EXPECT_EQ(int(verifier.Verify(Path(Program), Path(Signature)).Failure), int(TSignatureFailure::BadPublicKey));
    }
}
