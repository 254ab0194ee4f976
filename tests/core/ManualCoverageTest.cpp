// The shipped user manual describes every entry of the main window's menus with the key that
// runs it, so that a new command cannot go out undocumented.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

// The manual as plain text: tags dropped, entities the manual uses spelled out.
QString manualText() {
    std::ifstream in(VALDORIN_TEST_DATA "/../../doc/valdorin.html");
    std::stringstream all;
    all << in.rdbuf();
    QString text = QString::fromStdString(all.str());
    text.remove(QRegularExpression("<[^>]*>"));
    text.replace("&gt;", ">").replace("&nbsp;", " ").replace("&ndash;", "-");
    return text.simplified();
}

using ManualCoverage = testing::WindowsFixture;

TEST_F(ManualCoverage, EveryMenuEntryAndItsKeyIsDescribed) {
    const QString manual = manualText();
    ASSERT_FALSE(manual.isEmpty());
    int entries = 0;
    for (QAction* menu : seq->menuBar()->actions()) {
        const QString menuName = menu->text().remove('&');
        EXPECT_TRUE(manual.contains(menuName)) << menuName.toStdString();
        for (QAction* entry : menu->menu()->actions()) {
            if (entry->isSeparator())
                continue;
            ++entries;
            const QString name = entry->text().section('\t', 0, 0).remove('&');
            EXPECT_TRUE(manual.contains(name)) << name.toStdString();
            for (const QKeySequence& key : entry->shortcuts()) {
                QString keys = key.toString(QKeySequence::PortableText);
                keys.replace("Return", "Enter");
                EXPECT_TRUE(manual.contains(keys))
                    << name.toStdString() << " " << keys.toStdString();
            }
        }
    }
    EXPECT_GT(entries, 0);
}

}  // namespace
}  // namespace valdorin
