// I/O request packets: the request a driver receives, its stack of per-driver locations,
// completion routines, cancellation, and the status block the originator reads.
#pragma once

#include "driver/kernel/ks_event.h"
#include "platform/devio.h"

#include <array>
#include <memory>

class DEVICE_OBJECT;
struct IRP;

// Major functions beyond the three of the device namespace (platform/devio.h).
constexpr UCHAR IRP_MJ_INTERNAL_DEVICE_CONTROL = 0x0F;
constexpr UCHAR IRP_MJ_POWER = 0x16;
constexpr UCHAR IRP_MJ_PNP = 0x1B;
constexpr UCHAR IRP_MJ_MAXIMUM_FUNCTION = 0x1B;

// Plug and play minor functions.
constexpr UCHAR IRP_MN_START_DEVICE = 0x00;
constexpr UCHAR IRP_MN_REMOVE_DEVICE = 0x02;
constexpr UCHAR IRP_MN_STOP_DEVICE = 0x04;
constexpr UCHAR IRP_MN_QUERY_CAPABILITIES = 0x09;
constexpr UCHAR IRP_MN_SURPRISE_REMOVAL = 0x17;
// Power minor functions.
constexpr UCHAR IRP_MN_SET_POWER = 0x02;
constexpr UCHAR IRP_MN_QUERY_POWER = 0x03;

enum DEVICE_POWER_STATE { PowerDeviceUnspecified, PowerDeviceD0, PowerDeviceD1, PowerDeviceD2, PowerDeviceD3 };

struct DEVICE_CAPABILITIES {
    USHORT Size = sizeof(DEVICE_CAPABILITIES);
    USHORT Version = 1;
    BOOLEAN Removable = 0;
    BOOLEAN UniqueID = 0;
    BOOLEAN SurpriseRemovalOK = 0;
    ULONG Address = 0xFFFFFFFF;
    ULONG UINumber = 0xFFFFFFFF;
};

struct IO_STATUS_BLOCK {
    NTSTATUS Status = STATUS_SUCCESS;
    ULONG_PTR Information = 0;
};

// Describes the caller's memory of a direct request.
struct MDL {
    PVOID StartVa = nullptr;
    ULONG ByteCount = 0;
};
inline PVOID MmGetSystemAddressForMdlSafe(MDL* pMdl) { return pMdl ? pMdl->StartVa : nullptr; }
inline ULONG MmGetMdlByteCount(const MDL* pMdl) { return pMdl ? pMdl->ByteCount : 0; }

using PIO_COMPLETION_ROUTINE = NTSTATUS (*)(DEVICE_OBJECT* pDeviceObject, IRP* pIrp, PVOID pContext);
using PDRIVER_CANCEL = void (*)(DEVICE_OBJECT* pDeviceObject, IRP* pIrp);

constexpr UCHAR SL_PENDING_RETURNED = 0x01;
constexpr UCHAR SL_INVOKE_ON_CANCEL = 0x20;
constexpr UCHAR SL_INVOKE_ON_SUCCESS = 0x40;
constexpr UCHAR SL_INVOKE_ON_ERROR = 0x80;

// One driver's view of a request. Unlike the platform's union, the parameter groups are
// separate members; a request uses the group of its major function.
struct IO_STACK_LOCATION {
    UCHAR MajorFunction = 0;
    UCHAR MinorFunction = 0;
    UCHAR Control = 0;
    struct {
        struct {
            ULONG OutputBufferLength = 0;
            ULONG InputBufferLength = 0;
            ULONG IoControlCode = 0;
        } DeviceIoControl;
        struct {
            PVOID Argument1 = nullptr;
            PVOID Argument2 = nullptr;
        } Others;
        struct {
            DEVICE_CAPABILITIES* Capabilities = nullptr;
        } DeviceCapabilities;
        struct {
            DEVICE_POWER_STATE State = PowerDeviceUnspecified;
        } Power;
    } Parameters;
    DEVICE_OBJECT* DeviceObject = nullptr;
    PIO_COMPLETION_ROUTINE CompletionRoutine = nullptr;
    PVOID Context = nullptr;
};

constexpr int IRP_MAX_STACK = 6;

// A request. Location 0 belongs to the driver at the top of the stack; IoCallDriver moves
// one location down. Requests are built where they are issued (often on the stack), so a
// request costs no allocation. Cancel and CancelRoutine are the only fields touched by two
// threads at once; everything else passes between threads through completion events.
struct IRP {
    IO_STATUS_BLOCK IoStatus;
    struct {
        PVOID SystemBuffer = nullptr;
    } AssociatedIrp;
    MDL* MdlAddress = nullptr;
    BOOLEAN PendingReturned = 0;
    std::atomic<BOOLEAN> Cancel{0};
    std::atomic<PDRIVER_CANCEL> CancelRoutine{nullptr};
    // Set, in this order, when the request has completed all the way up.
    IO_STATUS_BLOCK* UserIosb = nullptr;
    KEVENT* UserEvent = nullptr;
    // Free for the driver that owns the request at the moment (the bus driver keeps the
    // request block and its bus here while a transfer runs).
    struct {
        PVOID DriverContext[4] = {};
    } Tail;
    CHAR StackCount = 0;
    CHAR CurrentLocation = -1;
    std::array<IO_STACK_LOCATION, IRP_MAX_STACK> Stack{};
};

// Prepares a request for a stack of nStackSize drivers; nothing is current yet.
void IoInitializeIrp(IRP* pIrp, CHAR nStackSize);

// A request that outlives the call that issues it (asynchronous requests that their
// completion routine sends again): allocated and initialised for nStackSize drivers; null
// when memory runs out or the stack is deeper than a request can carry. Freed by resetting
// the pointer (the platform's IoFreeIrp).
using KS_IRP_PTR = std::unique_ptr<IRP>;
KS_IRP_PTR IoAllocateIrp(CHAR nStackSize);
// Makes an allocated request ready to be sent again, as after IoAllocateIrp.
void IoReuseIrp(IRP* pIrp, NTSTATUS status);

inline IO_STACK_LOCATION* IoGetCurrentIrpStackLocation(IRP* pIrp) { return &pIrp->Stack[pIrp->CurrentLocation]; }
inline IO_STACK_LOCATION* IoGetNextIrpStackLocation(IRP* pIrp) { return &pIrp->Stack[pIrp->CurrentLocation + 1]; }
// Hands the current location itself to the next driver.
inline void IoSkipCurrentIrpStackLocation(IRP* pIrp) { --pIrp->CurrentLocation; }
void IoCopyCurrentIrpStackLocationToNext(IRP* pIrp);
void IoSetCompletionRoutine(IRP* pIrp, PIO_COMPLETION_ROUTINE pfnRoutine, PVOID pContext, BOOLEAN bOnSuccess,
                            BOOLEAN bOnError, BOOLEAN bOnCancel);
inline void IoMarkIrpPending(IRP* pIrp) { IoGetCurrentIrpStackLocation(pIrp)->Control |= SL_PENDING_RETURNED; }

// Completes the request: runs the completion routines from the current location up. A
// routine that answers STATUS_MORE_PROCESSING_REQUIRED keeps the request for its driver,
// which completes it again later; the request is not touched after such a routine.
void IoCompleteRequest(IRP* pIrp, CHAR nPriorityBoost = 0);

// Sets the cancel routine (null to clear) and answers the previous one.
inline PDRIVER_CANCEL IoSetCancelRoutine(IRP* pIrp, PDRIVER_CANCEL pfnRoutine)
{
    return pIrp->CancelRoutine.exchange(pfnRoutine);
}
// Marks the request cancelled and calls its cancel routine if one is set; answers
// whether one was. The routine runs on the calling thread.
BOOLEAN IoCancelIrp(IRP* pIrp);

constexpr CHAR IO_NO_INCREMENT = 0;
