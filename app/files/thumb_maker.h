// CThumbMaker: makes the thumbnails of a batch of pictures on a worker thread, so the
// user interface stays responsive while a folder's new pictures are decoded.
#pragma once

#include "app/files/thumb_list.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One batch at a time. The owner (the user-interface thread) starts a batch with the
// paths CThumbList::StartScan answers, polls TakeFinished on its timer and appends what
// it gets; at the program's end Finish completes the batch into the list. Every member
// function is called by the owner thread only; the worker thread is internal.
class CThumbMaker {
public:
    CThumbMaker() = default;
    // Stops the batch and joins the worker.
    ~CThumbMaker();
    CThumbMaker(const CThumbMaker&) = delete;
    CThumbMaker& operator=(const CThumbMaker&) = delete;

    // Stops any earlier batch (its items not taken are dropped) and starts making the
    // thumbnails of paths, in that order, with MakeThumbItem.
    void Start(std::vector<std::string> paths);
    // The items finished since the last call, in the order of the paths: an item is
    // handed out once those before it are made (or skipped, when they cannot be decoded).
    std::vector<CThumbItem> TakeFinished();
    // Cancels the batch: the worker ends after the picture it is decoding, and is
    // joined. Items not taken are dropped.
    void Stop();
    // true from Start until every item of the batch was made and taken, or the batch
    // stopped.
    bool IsBusy() const;
    // Completes the batch into list, for the program's end: the calling thread makes
    // thumbnails alongside the worker until all are made, then every item not taken yet
    // is appended in order (paths the list already holds are skipped). The batch is over
    // afterwards.
    void Finish(CThumbList& list);

private:
    // What became of one path of the batch.
    enum class ESlot : unsigned char { Pending, Made, Skipped };

    // Claims and makes pictures until none is left or the batch is cancelled; run by
    // the worker, and by the owner in Finish.
    void MakeRemaining();
    // Joins the worker and forgets the batch.
    void EndBatch();

    // The batch's paths: written by the owner while no worker runs, then only read.
    std::vector<std::string> m_Paths;

    // m_Mutex guards the slots, the items and the two positions below; the worker and
    // the owner take it.
    mutable std::mutex m_Mutex;
    std::vector<ESlot> m_Slots;       // per path
    std::vector<CThumbItem> m_Items;  // per path; valid where the slot is Made
    std::size_t m_nNextClaim = 0;     // the next path to decode
    std::size_t m_nNextHandOut = 0;   // the next path whose item TakeFinished hands out

    // Set by the owner to end the batch early, read by the makers between pictures.
    std::atomic<bool> m_bCancel{false};
    // The worker; joined by the owner before m_Paths changes.
    std::thread m_Worker;
};
