#pragma once

// Finding the lyric of the current playlist entry on the lyrics site: the search page gives
// the entry's lyric id, the lyric page for that id gives the text, which is kept in the
// entry and shown in the lyric box. Works on the main window's Timer1, inetLrc, WMP and Text2
// as MainForm() names them.
namespace Lyrics {

// Timer1's tick: shows a known lyric of the current entry, or, while it plays, starts its
// next request. The timer switches itself off, except while the player waits to play.
void Timer1_Timer();

// inetLrc has finished (12) or failed (11). The response belongs to the entry it was asked
// for, whichever entry is current now.
void inetLrc_StateChanged(int State);

// Lets the user correct the current entry's title and singer, then looks its lyric up
// afresh. Closing the dialog by its close box changes nothing and searches nothing.
void reLrc_Click();

}  // namespace Lyrics
