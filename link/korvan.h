/*
 * korvan.h - the controller link interface.
 *
 * Every exchange with a Korvan controller goes through these calls. They are
 * implemented by libkorvan.so (Ethernet over TCP, serial over a tty, PCI cards
 * over a local socket) and, for tests, by the recording fake link.
 *
 * General contract, unless a call says otherwise:
 *   - Calls return an int32_t code: 0 is success, a VXC_ERR_* value is a link
 *     failure, any other value is the controller's own code passed through.
 *   - Calls block until the controller answers or the handle's reply timeout
 *     (VXC_SetTimeOut, 1000 ms by default) runs out. A timeout argument of 0
 *     means the handle's timeout. A late reply to a call that timed out is
 *     recognised by its request id and dropped; the link stays usable.
 *   - Numeric and record outputs are written only on success (the lengths of
 *     VXC_ReadMessage and VXC_ExecuteGetReceive are 0 after a failure).
 *   - A null handle gives VXC_ERR_BAD_HANDLE and touches no output.
 *   - Text outputs are always NUL-terminated and never written past the
 *     capacity the caller passes; a longer text is cut to capacity - 1 bytes.
 *   - After the peer is gone (VXC_ERR_CONNECTION_LOST), every later call on
 *     the handle fails fast with the same code; only VXC_Close remains useful.
 *   - Handles are independent: two handles to the same controller, in one
 *     process or in two, never see each other's replies.
 */
#ifndef KORVAN_LINK_KORVAN_H
#define KORVAN_LINK_KORVAN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VXC_API __attribute__((visibility("default")))
#else
#define VXC_API
#endif

/* Opaque handle of an open link; null means no connection. */
typedef struct VxcLink* ControllerHandle;

/* Link codes. Controller codes (2002, 210, 277, ...) are below 3000. */
enum
{
    VXC_OK = 0,
    VXC_ERR_INVALID_ARGUMENT = 3100, /* null text, zero capacity where text is due */
    VXC_ERR_BAD_HANDLE = 3101,       /* null or closed handle */
    VXC_ERR_OPEN_FAILED = 3102,      /* no controller at that address, port or card */
    VXC_ERR_NO_SUCH_FILE = 3103,     /* a package or source file cannot be read */
    VXC_ERR_STATE = 3204,            /* controller state does not allow the request */
    VXC_ERR_NOT_SUPPORTED = 3205,    /* e.g. VXC_GetCurIpAddr on a serial or PCI link */
    VXC_ERR_BUSY = 3206,             /* the controller serves all the links it takes; retry later */
    VXC_ERR_TIMEOUT = 3400,          /* no answer within the reply timeout */
    VXC_ERR_SEND_FAILED = 3401,      /* the request could not be written */
    VXC_ERR_CONNECTION_LOST = 3402,  /* the peer closed or reset the link */
    VXC_ERR_PROTOCOL = 3403,         /* a frame that does not follow the protocol */
    VXC_ERR_TOO_LONG = 3404          /* a command or payload above the protocol's limit */
};

/* Connection types as VXC_GetConnectType reports them. */
enum
{
    VXC_LINK_SERIAL = 1,
    VXC_LINK_ETHERNET = 2,
    VXC_LINK_PCI = 4
};

/* The longest command text, terminator included. */
#define VXC_MAX_COMMAND 2048
/* Sizes of the fixed text outputs. */
#define VXC_SOFT_TYPE_CAPACITY 32 /* VXC_GetSoftVersion's type text */
#define VXC_IP_TEXT_CAPACITY 16   /* VXC_GetCurIpAddr's address text */
/* The information records (see the command library for their fields). */
#define VXC_SPEC_RECORD_SIZE 60 /* VXC_GetSysSpecification writes exactly this many bytes */
#define VXC_CHILD_CARD_SIZE 12  /* VXC_EnumChildCard writes exactly this many bytes */
/* Buffers that VXC_MakeOneFileKpj fills. */
#define VXC_KPJ_BUFFER_SIZE 2048

/* ---- Opening and closing ---------------------------------------------- */

/* Serial parameters for later VXC_OpenCom / VXC_PeakCom calls in this
 * process. parity: 0 none, 1 odd, 2 even. stopBits: 0 one, 1 two. */
VXC_API int32_t VXC_SetComDefaultBaud(uint32_t baud, uint32_t dataBits, uint32_t parity,
                                      uint32_t stopBits);
/* Opens serial port COM<port> (link/com_ports.h: only $KORVAN_COM_DIR/COM<port>
 * when that variable is set; else ~/.local/share/korvan/com/COM<port> if it
 * exists, else /dev/ttyS<port-1>) and shakes hands with the controller within
 * 1000 ms. *handle is set on success and left null otherwise. */
VXC_API int32_t VXC_OpenCom(uint32_t port, ControllerHandle* handle);
/* Like VXC_OpenCom with the handshake bounded by timeoutMs: 0 only when a
 * controller answers. */
VXC_API int32_t VXC_PeakCom(uint32_t port, uint32_t timeoutMs, ControllerHandle* handle);
/* Probes the hosts of the search list ($KORVAN_SEARCH: addresses and ranges
 * "a.b.c.d-a.b.c.e"; loopback 127.0.0.1-127.0.0.63 by default) and writes the
 * addresses of the answering controllers into buffer, in list order,
 * separated by single spaces; only whole addresses that fit are written.
 * Returns 0 also when none answers (the buffer is then empty);
 * VXC_ERR_INVALID_ARGUMENT for a list that does not parse. */
VXC_API int32_t VXC_SearchEth(char* buffer, uint32_t capacity, uint32_t timeoutMs);
/* Opens an Ethernet link to "a.b.c.d" or "a.b.c.d:port" (without a port:
 * $KORVAN_PORT, else the default port of link/link_protocol.h). *handle is
 * set on success and left null otherwise. */
VXC_API int32_t VXC_OpenEth(const char* ip, ControllerHandle* handle);
/* Opens a link of the given type (2: Ethernet, address as for VXC_OpenEth)
 * giving up after timeoutMs. *handle is set on success and left null
 * otherwise. */
VXC_API int32_t VXC_FastOpen(int32_t type, const char* address, uint32_t timeoutMs,
                             ControllerHandle* handle);
/* Number of PCI cards present ($KORVAN_PCI_DIR/PCI<n>.sock, n from 1). */
VXC_API int32_t VXC_GetMaxPciCards(void);
/* Opens a link by type and name: 4 with "PCI<n>", 2 with an address, 1 with
 * "COM<n>". *handle is set on success and left null otherwise. */
VXC_API int32_t VXC_Open(int32_t type, const char* name, ControllerHandle* handle);
/* Releases the link and everything behind it. A null handle gives
 * VXC_ERR_BAD_HANDLE. */
VXC_API int32_t VXC_Close(ControllerHandle handle);
/* Sets the reply timeout of later calls on this handle. */
VXC_API int32_t VXC_SetTimeOut(ControllerHandle handle, uint32_t timeoutMs);
/* 1 serial, 2 Ethernet, 4 PCI; 0 for a null handle. */
VXC_API uint8_t VXC_GetConnectType(ControllerHandle handle);

/* ---- Commands ------------------------------------------------------------ */

/* Runs Korbasic text through the controller's buffered command queue and
 * copies what it printed into reply (may be null with capacity 0).
 * timeoutMs replaces the handle's timeout for this call. */
VXC_API int32_t VXC_Execute(ControllerHandle handle, const char* command, uint32_t timeoutMs,
                            char* reply, uint32_t capacity);
/* Runs Korbasic text at once, bypassing the command queue. */
VXC_API int32_t VXC_DirectCommand(ControllerHandle handle, const char* command, char* reply,
                                  uint32_t capacity);
/* Sends Korbasic text and waits at most timeoutMs for the controller to take
 * it; its output is dropped. */
VXC_API int32_t VXC_ExecuteNoAck(ControllerHandle handle, const char* command, uint32_t timeoutMs);
/* Takes the controller messages pending for this handle (PRINT output of
 * BASIC tasks, error reports). At most capacity - 1 bytes are copied and
 * NUL-terminated; *length is the number of bytes copied. What does not fit
 * stays pending. */
VXC_API int32_t VXC_ReadMessage(ControllerHandle handle, char* buffer, uint32_t capacity,
                                uint32_t* length);
/* Takes unsolicited output pending for this handle (output of commands sent
 * without an answer). Same buffer rules as VXC_ReadMessage; flags is 0. */
VXC_API int32_t VXC_ExecuteGetReceive(ControllerHandle handle, char* buffer, uint32_t capacity,
                                      uint32_t* length, uint32_t flags);
/* The controller's last error code (0 none). */
VXC_API int32_t VXC_GetError(ControllerHandle handle, int32_t* code);
/* Run state: 0 idle, 1 running, 3 paused, 100 error. On failure *state is
 * left as it was. */
VXC_API int32_t VXC_GetState(ControllerHandle handle, uint8_t* state);

/* ---- Records and identity ---------------------------------------------- */

/* Writes the VXC_SPEC_RECORD_SIZE-byte specification record. */
VXC_API int32_t VXC_GetSysSpecification(ControllerHandle handle, void* record);
/* Writes the VXC_CHILD_CARD_SIZE-byte record of the expansion module that
 * follows card number previous (65535 for the first one). A card number of
 * 128 or more in the record means that no further module exists. */
VXC_API int32_t VXC_EnumChildCard(ControllerHandle handle, uint16_t previous, void* record);
/* Firmware version, software type text (VXC_SOFT_TYPE_CAPACITY bytes) and
 * version date. typeText and date may be null. */
VXC_API int32_t VXC_GetSoftVersion(ControllerHandle handle, float* version, char* typeText,
                                   int32_t* date);
/* Number of axes (virtual axes included, at most 255); 0 on any failure. */
VXC_API uint8_t VXC_GetAxises(ControllerHandle handle);
/* The controller's IP address text (VXC_IP_TEXT_CAPACITY bytes). On serial
 * and PCI links: VXC_ERR_NOT_SUPPORTED. */
VXC_API int32_t VXC_GetCurIpAddr(ControllerHandle handle, char* address);
/* Hardware id: low 16 bits the hardware version, high 16 bits the variant. */
VXC_API int32_t VXC_GetHardId(ControllerHandle handle, uint32_t* id);
/* Controller id and production date; any pointer may be null. */
VXC_API int32_t VXC_GetControllerIDDate(ControllerHandle handle, int32_t* id, int32_t* year,
                                        int32_t* month, int32_t* day, int32_t* serial);
/* Feature bits of an axis: 0x1 step, 0x10 encoder, 0x80 SSI, 0x100 Tamagawa,
 * 0x200 EnDat, 0x800 servo, 0x2000 CANopen. */
VXC_API int32_t VXC_GetAxisFeatures(ControllerHandle handle, int32_t axis, uint32_t* features);

/* ---- Memory and registers ---------------------------------------------- */

/* Writes count floats to the controller's flash value area from start. */
VXC_API int32_t VXC_FlashWritef(ControllerHandle handle, uint16_t start, uint32_t count,
                                const float* values);
/* Modbus bits: count bits from address start, packed 8 per byte, lowest
 * address in the lowest bit; (count + 7) / 8 bytes. */
VXC_API int32_t VXC_Modbus_Get0x(ControllerHandle handle, uint16_t start, uint16_t count,
                                 uint8_t* bits);
VXC_API int32_t VXC_Modbus_Set0x(ControllerHandle handle, uint16_t start, uint16_t count,
                                 const uint8_t* bits);
/* Modbus 16-bit registers from address start. */
VXC_API int32_t VXC_Modbus_Get4x(ControllerHandle handle, uint16_t start, uint16_t count,
                                 uint16_t* registers);
VXC_API int32_t VXC_Modbus_Set4x(ControllerHandle handle, uint16_t start, uint16_t count,
                                 const uint16_t* registers);
/* Reads count registers of an area ("DT": TABLE) from start; width 32 gives
 * floats, 16 gives int16_t values. */
VXC_API int32_t VXC_RegisterRead(ControllerHandle handle, const char* area, uint32_t width,
                                 uint32_t start, uint32_t count, void* values);

/* ---- Programs ------------------------------------------------------------ */

/* Sends a .krx package and stores it in the controller's ROM; flags is 0. */
VXC_API int32_t VXC_DownKrx(ControllerHandle handle, const char* path, uint32_t flags);
/* Sends a .krx package into RAM and runs it. */
VXC_API int32_t VXC_DownKrxToRamAndRun(ControllerHandle handle, const char* path);
/* Resumes paused tasks. */
VXC_API int32_t VXC_Resume(ControllerHandle handle);
/* Makes a one-file project <stem>.kpj beside the BASIC file basPath and
 * fills the two VXC_KPJ_BUFFER_SIZE-byte buffers: first the project file's
 * path, second the program directory (docs/krx-format.md). */
VXC_API int32_t VXC_MakeOneFileKpj(char* first, char* second, const char* basPath);
/* Builds a package from the project named by the two buffers, stores it in
 * ROM and starts it. A compile error gives 277. */
VXC_API int32_t VXC_MakeKrxAndDown2(ControllerHandle handle, const char* first, const char* second,
                                    uint32_t reserved1, uint32_t reserved2);
/* As VXC_MakeKrxAndDown2, but loads the package into RAM and runs it without
 * storing it. A program larger than the controller's RAM gives 210. */
VXC_API int32_t VXC_MakeKrxAndRamRun2(ControllerHandle handle, const char* first,
                                      const char* second, uint32_t reserved1, uint32_t reserved2);

#ifdef __cplusplus
}
#endif

#endif /* KORVAN_LINK_KORVAN_H */
