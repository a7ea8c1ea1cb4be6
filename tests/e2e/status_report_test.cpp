// What the status page shows while a requester holds an association open on a virtual printer,
// taken from the running service: the association with both AE titles, every printer, and each
// text a peer sent escaped in the HTML and kept as it was in the JSON.
#include "service_fixture.h"
#include "status_page/status_report.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace test;

TEST(StatusReport, ShowsTheOpenAssociationAndEveryPrinterWithPeerTextEscaped)
{
    ServiceFixture service;
    service.configuration.virtualPrinters = {{"LASER&<B>", "Kestrova PDF", "LASER EMU", 0}};
    service.service.restart();
    StatusSnapshot snapshot;
    runPeer([&] {
        TestScu scu;
        ConnectOptions options;
        options.callingAeTitle = "<i>CT1</i>";
        options.calledAeTitle = "LASER&<B>";
        if (!scu.connect("127.0.0.1", service.port(), options))
            return;
        // Answered by the association's handler, which therefore exists.
        scu.nGet(SopClass::Printer, SopClass::PrinterInstance);
        snapshot = takeStatusSnapshot(service.service, service.configuration);
        scu.release();
    });
    ASSERT_EQ(snapshot.associations.size(), 1u);
    EXPECT_EQ(snapshot.associations[0].callingAeTitle, "<i>CT1</i>");
    ASSERT_EQ(snapshot.printers.size(), 2u);
    EXPECT_EQ(snapshot.printers[1].aeTitle + " " + snapshot.printers[1].emulation, "LASER&<B> LASER EMU");

    const QString html = QString::fromUtf8(statusHtml(snapshot));
    EXPECT_TRUE(html.contains("&lt;i&gt;CT1&lt;/i&gt;") && html.contains("LASER&amp;&lt;B&gt;")) << html.toStdString();
    EXPECT_FALSE(html.contains("<i>") || html.contains("<B>"));
    const QJsonObject json = statusJson(snapshot);
    EXPECT_EQ(json["associations"].toArray()[0].toObject()["calledAeTitle"].toString(), "LASER&<B>");
}

} // namespace
} // namespace kestrova
