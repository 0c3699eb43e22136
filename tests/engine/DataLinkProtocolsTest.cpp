#include "engine/vdxDataLinkProtocols.h"
#include "report/vdxClass_component.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <thread>

namespace {
class EchoProtocol : public TvdxCustomDatalinkProtocol {
public:
    bool LoadBy(QString &link, QIODevice &stream, QObject *boundData) override
    {
        if (link.contains(QLatin1String("fail")))
            throw Exception(QStringLiteral("boom"));
        stream.write(link.toUtf8());
        link = QStringLiteral("rewritten:") + link;
        lastData = boundData;
        return true;
    }
    QObject *lastData = nullptr;
};

class Bare : public TvdxCustomDatalinkProtocol {
public:
    QString ClassName() const override { return QStringLiteral("TBareProtocol"); }
};

class Receiver : public IvdxDataLinkObject {
public:
    bool LoadDataFromStream(QIODevice &stream, const QString &link) override
    {
        ++calls;
        content = stream.readAll();
        this->link = link;
        return true;
    }
    int calls = 0;
    QByteArray content;
    QString link;
};
} // namespace

TEST(DataLinkProtocols, NothingRegisteredLoadsNothing)
{
    TvdxDataLinkProtocols reg;
    Receiver r;
    QString link = QStringLiteral("http://x/y");
    EXPECT_FALSE(reg.LoadToObject(link, &r));
    EXPECT_EQ(r.calls, 0);
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    EXPECT_FALSE(reg.LoadByLink(link, b));
    EXPECT_EQ(vdxDataLinkProtocolRegistry(), vdxDataLinkProtocolRegistry());
}

TEST(DataLinkProtocols, SchemeIgnoresAsciiCaseAndFirstMatchWins)
{
    TvdxDataLinkProtocols reg;
    auto first = std::make_shared<EchoProtocol>();
    auto second = std::make_shared<EchoProtocol>();
    QObject bound;
    reg.Register(nullptr, QStringLiteral("NIL")); // ignored
    reg.Register(first, QStringLiteral("DB"), &bound);
    reg.Register(second, QStringLiteral("db"));
    EXPECT_EQ(reg.Count(), 2);
    struct Case {
        const char *link;
        bool found;
    } cases[] = {{"db://t/1", true}, {"Db://t/1", true}, {"dbx://t", false}, {"db:/t", false}, {"t.png", false}};
    for (const auto &c : cases)
        EXPECT_EQ(reg.GetProtocol(QString::fromLatin1(c.link)) == first, c.found) << c.link;

    Receiver r;
    QString link = QStringLiteral("db://t/1");
    EXPECT_TRUE(reg.LoadToObject(link, &r));
    EXPECT_EQ(r.content, "db://t/1");
    EXPECT_EQ(r.link, "rewritten:db://t/1");
    EXPECT_EQ(first->lastData, &bound);

    reg.Unregister(QStringLiteral("db"));
    EXPECT_EQ(reg.GetProtocol(QStringLiteral("db://t")), second);
}

TEST(DataLinkProtocols, LinkWithoutSchemeFindsTheEmptyName)
{
    TvdxDataLinkProtocols reg;
    auto p = std::make_shared<EchoProtocol>();
    EXPECT_EQ(reg.GetProtocolItem(QStringLiteral("plain.txt")), nullptr);
    reg.Register(p, QString());
    EXPECT_NE(reg.GetProtocolItem(QStringLiteral("plain.txt")), nullptr);
}

TEST(DataLinkProtocols, ErrorsPropagateFromLoadByLinkOnly)
{
    TvdxDataLinkProtocols reg;
    reg.Register(std::make_shared<EchoProtocol>(), QStringLiteral("x"));
    reg.Register(std::make_shared<Bare>(), QStringLiteral("bare"));
    Receiver r;
    QString link = QStringLiteral("x://fail");
    EXPECT_FALSE(reg.LoadToObject(link, &r));
    EXPECT_EQ(r.calls, 0);
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    EXPECT_THROW(reg.LoadByLink(link, b), Exception);
    QString bare = QStringLiteral("bare://a");
    try {
        reg.LoadByLink(bare, b);
        FAIL();
    } catch (const EAbstractError &e) {
        EXPECT_EQ(e.message(), "Method LoadBy in TBareProtocol");
    }
}

TEST(DataLinkProtocols, LookUpsRunBesideRegistration)
{
    TvdxDataLinkProtocols reg;
    auto p = std::make_shared<EchoProtocol>();
    reg.Register(p, QStringLiteral("keep"));
    std::atomic<bool> stop{false};
    std::atomic<int> misses{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            while (!stop)
                if (reg.GetProtocol(QStringLiteral("keep://a")) != p)
                    ++misses;
        });
    for (int i = 0; i < 2000; ++i) {
        reg.Register(p, QStringLiteral("tmp"));
        reg.Unregister(QStringLiteral("tmp"));
    }
    stop = true;
    for (auto &t : readers)
        t.join();
    EXPECT_EQ(misses, 0);
    EXPECT_EQ(reg.Count(), 1);
}
