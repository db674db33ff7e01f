// Hands finished view pictures from the display thread to the UI thread.
//
// Three pictures circulate: the display thread fills the back one and publishes
// it, which swaps it with the ready one; the UI thread takes the ready one into
// the front when it paints. Each side holds the lock only for an index swap, so
// neither waits for the other's work, and the UI never sees a picture while it
// is being written. Pictures are reused; they are re-created only when the size
// or format of the view changes.
#pragma once

#include "app/imaging/dib_image.h"

#include <cstdint>
#include <mutex>

class CFrameHandover {
public:
    // Display thread: the back picture to draw into; it holds an older frame or
    // nothing, and the caller re-creates it when the size or format must change.
    CDibImage& Back() { return m_Pictures[m_nBack]; }

    // Display thread: makes the back picture the newest one for the UI.
    void Publish();

    // UI thread: takes the newest published picture, if one came since the last
    // call, into the front and answers whether it did. Front() shows it.
    bool TakeNewest();

    // UI thread: the picture taken last (empty before the first one).
    const CDibImage& Front() const { return m_Pictures[m_nFront]; }

    // Either thread: pictures published so far.
    std::uint64_t PublishedCount() const;

private:
    CDibImage m_Pictures[3];
    mutable std::mutex m_Mutex; // guards m_nReady, m_bFresh and m_nPublished
    int m_nBack = 0;            // display thread only
    int m_nReady = 1;
    int m_nFront = 2;           // UI thread only
    bool m_bFresh = false;      // the ready picture has not been taken yet
    std::uint64_t m_nPublished = 0;
};
