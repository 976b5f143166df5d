// The sender's state in the main window's header: shown only while a sender
// holds its lock on the counting folder, in the operator's words, and gone
// again when the sender stops.
#include "Workstation.h"

#include "station/SenderStatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace tallivo;
using namespace tallivo::test;

TEST_F(WorkstationTest, TheHeaderShowsTheSenderStateOnlyWhileASenderRuns) {
    WriteDefaultCatalogue();
    TSenderStatus waiting;
    waiting.State = TSenderStatus::TState::Pending;
    waiting.Pending = 3;
    WriteSenderStatus(FDir.path(), waiting); // a file left by an earlier sender
    auto lock = std::make_unique<TSenderLock>(FDir.path());
    ASSERT_TRUE(lock->Held());
    Start();
    auto* label = dynamic_cast<TLabel*>(Form().FindComponent("SenderStatusLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->Visible());
    EXPECT_EQ(label->Caption(), "3 en attente");
    // Right-aligned under the export and quit tiles, inside the header.
    EXPECT_EQ(label->Parent(), Form().Panel4);
    EXPECT_GE(label->Top(), Form().AdvMetroTile25->Top() + Form().AdvMetroTile25->Height());
    EXPECT_LE(label->Top() + label->Height(), Form().Panel4->Height());

    // The sender stops: within a few checks the header is as without one.
    lock.reset();
    QElapsedTimer t;
    t.start();
    while (label->Visible() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(label->Visible());
}
