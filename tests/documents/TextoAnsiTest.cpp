// The export's Windows-1252 text at the edges of the code page's Latin-1 half.
#include "documents/UExport.h"

#include <gtest/gtest.h>

// A no-break space (between a compound name's parts, pasted from a word processor) is the code
// page's own 0xA0, as are the letters up to "ÿ"; the control block below it and what lies past
// "ÿ" have no place there.
TEST(TextoAnsiTest, ANoBreakSpaceKeepsItsOwnByteAndTheEdgesOfTheCodePageHold) {
    bool perdidos = false;
    EXPECT_EQ(documents::LineaExportacion({QStringLiteral("MARÍA\u00A0JOSÉ"), QStringLiteral("ÿ")}, &perdidos),
              QByteArray("\"MAR\xCD" "A\xA0JOS\xC9\",\"\xFF\"\r\n"));
    EXPECT_FALSE(perdidos);
    for (const QString& fuera : {QStringLiteral("\u009F"), QStringLiteral("\u0100")}) {
        perdidos = false;
        EXPECT_EQ(documents::TextoAnsi(fuera, &perdidos), QByteArray("?"));
        EXPECT_TRUE(perdidos);
    }
}
