// Binary interface between a filter host and a filter plug-in (.8bf).
//
// Everything here mirrors the published layout of the classic Windows filter
// plug-in interface: the records the host hands to the entry point, the
// callback tables, and the constants both sides agree on. The header is
// written with fixed-width types only, so it compiles to the same layout for
// 32-bit Windows (i686), 64-bit Windows (x86-64) and native 64-bit builds,
// where pointers are 8 bytes just as on 64-bit Windows.
//
// Packing: only the FilterRecord is packed to 4 bytes (on 64-bit targets that
// puts pointers at offsets that are 4 mod 8, starting with abortProc). Every
// other record uses natural alignment. The compile-time checks at the end of
// this file pin the offsets and sizes for both pointer sizes.

#ifndef PXB_INTERFACE_PLUGINAPI_H
#define PXB_INTERFACE_PLUGINAPI_H

#include <cstddef>
#include <cstdint>

// Every entry point and host callback uses the C calling convention. On
// 32-bit Windows the caller pops the arguments; 64-bit Windows has a single
// convention, and native builds use the platform default.
#if defined(_WIN32) && !defined(_WIN64)
#define PXB_CDECL __cdecl
#else
#define PXB_CDECL
#endif

namespace pxb::api {

// ---------------------------------------------------------------------------
// Basic types
// ---------------------------------------------------------------------------

using OSErr = std::int16_t;    // result codes
using Fixed = std::int32_t;    // 16.16 fixed point, 1.0 = 0x00010000
using OSType = std::uint32_t;  // four-character code
using ResType = std::uint32_t;
using PIType = std::uint32_t;
using Boolean = unsigned char;  // one byte; 0 = false, nonzero = true
using Ptr = char*;
using Handle = char**;  // points at a master pointer that holds the data address

// A four-character code is the number read from its characters as big-endian
// bytes: FourCC("8BIM") == 0x3842494D. Stored little-endian, its bytes come
// out reversed ("MIB8").
constexpr OSType FourCC(const char (&code)[5]) {
  return static_cast<OSType>(static_cast<unsigned char>(code[0])) << 24 |
         static_cast<OSType>(static_cast<unsigned char>(code[1])) << 16 |
         static_cast<OSType>(static_cast<unsigned char>(code[2])) << 8 |
         static_cast<OSType>(static_cast<unsigned char>(code[3]));
}

// 1.0 as a Fixed value.
inline constexpr Fixed kFixedOne = 0x00010000;

// Vertical coordinate first, unlike the Win32 POINT.
struct Point16 {
  std::int16_t v;
  std::int16_t h;
};

// top and left are inclusive, bottom and right exclusive. Empty when
// left >= right or top >= bottom. Field order differs from the Win32 RECT.
struct Rect16 {
  std::int16_t top;
  std::int16_t left;
  std::int16_t bottom;
  std::int16_t right;
};

constexpr bool IsEmpty(const Rect16& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

// 16 bits per channel, 0..65535.
struct RGBColor {
  std::uint16_t red;
  std::uint16_t green;
  std::uint16_t blue;
};

// A colour in the image's own colour space, one byte per plane.
using FilterColor = unsigned char[4];

struct PlugInMonitor {
  Fixed gamma;
  Fixed redX;
  Fixed redY;
  Fixed greenX;
  Fixed greenY;
  Fixed blueX;
  Fixed blueY;
  Fixed whiteX;
  Fixed whiteY;
  Fixed ambient;
};

// The host's window for the plug-in's dialogs. FilterRecord::platformData and
// AboutRecord::platformData point to this record; they are not the window
// handle themselves.
struct PlatformData {
  std::intptr_t hwnd;
};

// Suites and records the plug-in never looks into. They are only pointed to.
struct ResourceProcs;
struct ImageServicesProcs;
struct PropertyProcs;
struct ChannelPortProcs;
struct DescriptorParameters;
struct DocumentDescription;
struct BasicSuite;
struct BigDocumentStruct;
struct ColorServicesInfo;
struct PixelMap;
struct VRect;
struct BufferRecord;
using BufferID = BufferRecord*;  // opaque buffer reference

// ---------------------------------------------------------------------------
// Callbacks (all cdecl)
// ---------------------------------------------------------------------------

// Nonzero means the user asked to stop. Only the low byte of the result counts.
typedef Boolean(PXB_CDECL* TestAbortProc)();
typedef void(PXB_CDECL* ProgressProc)(std::int32_t done, std::int32_t total);
// Makes the host deliver the requested rectangles now. After a nonzero result
// the plug-in must not call it again.
typedef OSErr(PXB_CDECL* AdvanceStateProc)();
typedef void(PXB_CDECL* HostProc)(std::int16_t selector, std::intptr_t* data);
typedef void(PXB_CDECL* ProcessEventProc)(void* event);
typedef OSErr(PXB_CDECL* DisplayPixelsProc)(const PixelMap* source, const VRect* sourceRect,
                                            std::int32_t destRow, std::int32_t destCol,
                                            void* platformContext);
typedef OSErr(PXB_CDECL* ColorServicesProc)(ColorServicesInfo* info);
typedef OSErr(PXB_CDECL* GetPropertyProc)(PIType signature, PIType key, std::int32_t index,
                                          std::intptr_t* simpleProperty, Handle* complexProperty);

// Handle suite.
typedef Handle(PXB_CDECL* NewPIHandleProc)(std::int32_t size);  // NULL when out of memory
typedef void(PXB_CDECL* DisposePIHandleProc)(Handle h);
typedef std::int32_t(PXB_CDECL* GetPIHandleSizeProc)(Handle h);
typedef OSErr(PXB_CDECL* SetPIHandleSizeProc)(Handle h, std::int32_t newSize);
typedef Ptr(PXB_CDECL* LockPIHandleProc)(Handle h, Boolean moveHigh);  // returns the data address
typedef void(PXB_CDECL* UnlockPIHandleProc)(Handle h);
typedef void(PXB_CDECL* RecoverSpaceProc)(std::int32_t size);
typedef void(PXB_CDECL* DisposeRegularHandleProc)(Handle h);

// Buffer suite.
typedef OSErr(PXB_CDECL* AllocateBufferProc)(std::int32_t size, BufferID* bufferID);
typedef Ptr(PXB_CDECL* LockBufferProc)(BufferID bufferID, Boolean moveHigh);
typedef void(PXB_CDECL* UnlockBufferProc)(BufferID bufferID);
typedef void(PXB_CDECL* FreeBufferProc)(BufferID bufferID);
typedef std::int32_t(PXB_CDECL* BufferSpaceProc)();

// The plug-in's exported entry. `record` points to a FilterRecord for
// selectors 1 to 5 and to an AboutRecord for selector 0. `data` points to a
// pointer-sized slot the host keeps for the plug-in between calls; `result`
// is set to 0 by the host before every call.
typedef void(PXB_CDECL* PluginEntryProc)(std::int16_t selector, void* record, std::intptr_t* data,
                                         std::int16_t* result);

// ---------------------------------------------------------------------------
// Callback tables (natural alignment: on 64-bit targets the first procedure
// follows 4 bytes of padding)
// ---------------------------------------------------------------------------

// Lock and unlock are not counted: one unlock undoes any number of locks.
struct HandleProcs {
  std::int16_t handleProcsVersion;
  std::int16_t numHandleProcs;
  NewPIHandleProc newProc;
  DisposePIHandleProc disposeProc;
  GetPIHandleSizeProc getSizeProc;
  SetPIHandleSizeProc setSizeProc;
  LockPIHandleProc lockProc;
  UnlockPIHandleProc unlockProc;
  RecoverSpaceProc recoverSpaceProc;
  DisposeRegularHandleProc disposeRegularHandleProc;  // absent when the count is 7
};

struct BufferProcs {
  std::int16_t bufferProcsVersion;
  std::int16_t numBufferProcs;
  AllocateBufferProc allocateProc;
  LockBufferProc lockProc;
  UnlockBufferProc unlockProc;
  FreeBufferProc freeProc;
  BufferSpaceProc spaceProc;
};

inline constexpr std::int16_t kCurrentHandleProcsVersion = 1;
inline constexpr std::int16_t kHandleProcsCountOriginal = 7;  // without disposeRegularHandleProc
inline constexpr std::int16_t kCurrentHandleProcsCount = 8;
inline constexpr std::int16_t kCurrentBufferProcsVersion = 2;
inline constexpr std::int16_t kCurrentBufferProcsCount = 5;

// ---------------------------------------------------------------------------
// FilterRecord (packed to 4 bytes)
// ---------------------------------------------------------------------------

#pragma pack(push, 4)

struct FilterRecord {
  std::int32_t serialNumber;  // modern hosts pass 0
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;  // the plug-in's parameter handle; NULL at first, kept by the host

  Point16 imageSize;  // v = rows, h = columns
  std::int16_t planes;
  Rect16 filterRect;  // bounding box of the selection
  RGBColor background;
  RGBColor foreground;

  std::int32_t maxSpace;     // bytes the plug-in may have at once; it may lower this in prepare
  std::int32_t bufferSpace;  // bytes the plug-in allocates itself

  Rect16 inRect;  // sampled coordinates
  std::int16_t inLoPlane;
  std::int16_t inHiPlane;
  Rect16 outRect;  // image coordinates
  std::int16_t outLoPlane;
  std::int16_t outHiPlane;

  void* inData;  // planes interleaved
  std::int32_t inRowBytes;
  void* outData;
  std::int32_t outRowBytes;

  Boolean isFloating;
  Boolean haveMask;
  Boolean autoMask;
  Rect16 maskRect;
  void* maskData;  // one byte per pixel, 255 = fully selected
  std::int32_t maskRowBytes;

  FilterColor backColor;
  FilterColor foreColor;

  OSType hostSig;
  HostProc hostProc;

  std::int16_t imageMode;
  Fixed imageHRes;
  Fixed imageVRes;
  Point16 floatCoord;
  Point16 wholeSize;
  PlugInMonitor monitor;

  PlatformData* platformData;
  BufferProcs* bufferProcs;
  ResourceProcs* resourceProcs;
  ProcessEventProc processEvent;
  DisplayPixelsProc displayPixels;
  HandleProcs* handleProcs;

  // Added in 3.0.
  Boolean supportsDummyChannels;
  Boolean supportsAlternateLayouts;
  std::int16_t wantLayout;
  std::int16_t filterCase;  // 0 = not set by the host
  std::int16_t dummyPlaneValue;
  void* obsoleteHook;  // unused, always NULL
  AdvanceStateProc advanceState;

  Boolean supportsAbsolute;
  Boolean wantsAbsolute;
  GetPropertyProc getPropertyObsolete;
  Boolean cannotUndo;
  Boolean supportsPadding;
  std::int16_t inputPadding;
  std::int16_t outputPadding;
  std::int16_t maskPadding;
  char samplingSupport;
  char reservedByte;
  Fixed inputRate;
  Fixed maskRate;
  ColorServicesProc colorServices;

  std::int16_t inLayerPlanes;
  std::int16_t inTransparencyMask;
  std::int16_t inLayerMasks;
  std::int16_t inInvertedLayerMasks;
  std::int16_t inNonLayerPlanes;
  std::int16_t outLayerPlanes;
  std::int16_t outTransparencyMask;
  std::int16_t outLayerMasks;
  std::int16_t outInvertedLayerMasks;
  std::int16_t outNonLayerPlanes;
  std::int16_t absLayerPlanes;
  std::int16_t absTransparencyMask;
  std::int16_t absLayerMasks;
  std::int16_t absInvertedLayerMasks;
  std::int16_t absNonLayerPlanes;
  std::int16_t inPreDummyPlanes;
  std::int16_t inPostDummyPlanes;
  std::int16_t outPreDummyPlanes;
  std::int16_t outPostDummyPlanes;

  std::int32_t inColumnBytes;
  std::int32_t inPlaneBytes;
  std::int32_t outColumnBytes;
  std::int32_t outPlaneBytes;

  // Added in 3.0.4.
  ImageServicesProcs* imageServicesProcs;
  PropertyProcs* propertyProcs;
  std::int16_t inTileHeight;
  std::int16_t inTileWidth;
  Point16 inTileOrigin;
  std::int16_t absTileHeight;
  std::int16_t absTileWidth;
  Point16 absTileOrigin;
  std::int16_t outTileHeight;
  std::int16_t outTileWidth;
  Point16 outTileOrigin;
  std::int16_t maskTileHeight;
  std::int16_t maskTileWidth;
  Point16 maskTileOrigin;

  // Added in 4.0. A 4.0 plug-in reads nothing beyond documentInfo.
  DescriptorParameters* descriptorParameters;
  unsigned char (*errorString)[256];  // Pascal string shown for errReportString
  ChannelPortProcs* channelPortProcs;
  DocumentDescription* documentInfo;

  // Added in 5.0 and later; hosts that predate a field leave it zero.
  BasicSuite* sSPBasic;
  void* plugInRef;
  std::int32_t depth;  // bits per channel
  Handle iCCprofileData;
  std::int32_t iCCprofileSize;
  std::int32_t canUseICCProfiles;
  std::int32_t hasImageScrap;
  BigDocumentStruct* bigDocumentData;
  DescriptorParameters* input3DScene;
  DescriptorParameters* output3DScene;
  Boolean createNewLayer;
  Handle iCCWorkingProfileData;
  std::int32_t iCCWorkingProfileSize;
  std::int64_t bufferSpace64;
  std::int64_t maxSpace64;

  char reserved[46];  // zero
};

#pragma pack(pop)

// ---------------------------------------------------------------------------
// AboutRecord (natural alignment; selector 0)
// ---------------------------------------------------------------------------

// The older form is `platformData` followed by 252 reserved bytes; both are
// 256 bytes on 32-bit Windows and both start with platformData.
struct AboutRecord {
  PlatformData* platformData;
  BasicSuite* sSPBasic;
  void* plugInRef;
  char reserved[244];
};

// FilterCaseInfo: one entry of the 'fici' property, four bytes.
#pragma pack(push, 1)
struct FilterCaseInfo {
  std::uint8_t inputHandling;
  std::uint8_t outputHandling;
  std::uint8_t flags1;
  std::uint8_t flags2;  // reserved, 0
};
#pragma pack(pop)

// ---------------------------------------------------------------------------
// Selectors
// ---------------------------------------------------------------------------

inline constexpr std::int16_t filterSelectorAbout = 0;
inline constexpr std::int16_t filterSelectorParameters = 1;
inline constexpr std::int16_t filterSelectorPrepare = 2;
inline constexpr std::int16_t filterSelectorStart = 3;
inline constexpr std::int16_t filterSelectorContinue = 4;
inline constexpr std::int16_t filterSelectorFinish = 5;

// ---------------------------------------------------------------------------
// Result codes. A positive value means the plug-in has already told the user.
// ---------------------------------------------------------------------------

inline constexpr OSErr noErr = 0;
inline constexpr OSErr coercedParamErr = 2;
inline constexpr OSErr readErr = -19;
inline constexpr OSErr writErr = -20;
inline constexpr OSErr openErr = -23;
inline constexpr OSErr dskFulErr = -34;
inline constexpr OSErr ioErr = -36;
inline constexpr OSErr eofErr = -39;
inline constexpr OSErr fnfErr = -43;
inline constexpr OSErr fLckdErr = -45;
inline constexpr OSErr vLckdErr = -46;
inline constexpr OSErr paramErr = -50;
inline constexpr OSErr memFullErr = -108;
inline constexpr OSErr nilHandleErr = -109;
inline constexpr OSErr memWZErr = -111;
inline constexpr OSErr userCanceledErr = -128;
inline constexpr OSErr errMissingParameter = -1715;
inline constexpr OSErr filterBadParameters = -30100;
inline constexpr OSErr filterBadMode = -30101;
inline constexpr OSErr errPlugInHostInsufficient = -30900;
inline constexpr OSErr errPlugInPropertyUndefined = -30901;
inline constexpr OSErr errHostDoesNotSupportColStep = -30902;
inline constexpr OSErr errInvalidSamplePoint = -30903;
inline constexpr OSErr errReportString = -30904;  // the host shows *errorString
inline constexpr OSErr errHostVersionIncompatible = -30905;
inline constexpr OSErr errUnknownPort = -30910;  // channel ports: -30910 ... -30915
inline constexpr OSErr errUnsupportedDepthConversion = -30915;
inline constexpr OSErr errWrongPlatformFilePath = -30916;
inline constexpr OSErr errIllegalCharInID = -30917;

// ---------------------------------------------------------------------------
// Image modes (FilterRecord::imageMode)
// ---------------------------------------------------------------------------

inline constexpr std::int16_t plugInModeBitmap = 0;
inline constexpr std::int16_t plugInModeGrayScale = 1;
inline constexpr std::int16_t plugInModeIndexedColor = 2;
inline constexpr std::int16_t plugInModeRGBColor = 3;
inline constexpr std::int16_t plugInModeCMYKColor = 4;
inline constexpr std::int16_t plugInModeHSLColor = 5;
inline constexpr std::int16_t plugInModeHSBColor = 6;
inline constexpr std::int16_t plugInModeMultichannel = 7;
inline constexpr std::int16_t plugInModeDuotone = 8;
inline constexpr std::int16_t plugInModeLabColor = 9;
inline constexpr std::int16_t plugInModeGray16 = 10;
inline constexpr std::int16_t plugInModeRGB48 = 11;
inline constexpr std::int16_t plugInModeLab48 = 12;
inline constexpr std::int16_t plugInModeCMYK64 = 13;
inline constexpr std::int16_t plugInModeDeepMultichannel = 14;
inline constexpr std::int16_t plugInModeDuotone16 = 15;
inline constexpr std::int16_t plugInModeRGB96 = 16;
inline constexpr std::int16_t plugInModeGray32 = 17;

// ---------------------------------------------------------------------------
// Padding (inputPadding, outputPadding, maskPadding). A value 0..255 fills
// the area outside the image with that byte.
// ---------------------------------------------------------------------------

inline constexpr std::int16_t paddingEdgeReplication = -1;
inline constexpr std::int16_t paddingNone = -2;          // outside bytes are arbitrary
inline constexpr std::int16_t paddingErrorOutside = -3;  // a request outside the image fails

// Sampling support (FilterRecord::samplingSupport).
inline constexpr char samplingNone = 0;
inline constexpr char samplingIntegral = 1;
inline constexpr char samplingFractional = 2;

// Data layouts (FilterRecord::wantLayout).
inline constexpr std::int16_t layoutTraditional = 0;
inline constexpr std::int16_t layoutRowsColumnsPlanes = 1;
inline constexpr std::int16_t layoutRowsPlanesColumns = 2;
inline constexpr std::int16_t layoutColumnsRowsPlanes = 3;
inline constexpr std::int16_t layoutColumnsPlanesRows = 4;
inline constexpr std::int16_t layoutPlanesRowsColumns = 5;
inline constexpr std::int16_t layoutPlanesColumnsRows = 6;

// ---------------------------------------------------------------------------
// Filter cases (FilterRecord::filterCase; cases 1..7 are also the order of
// the 'fici' entries)
// ---------------------------------------------------------------------------

inline constexpr std::int16_t filterCaseUnsupported = -1;
inline constexpr std::int16_t filterCaseNotSet = 0;
inline constexpr std::int16_t filterCaseFlatImageNoSelection = 1;
inline constexpr std::int16_t filterCaseFlatImageWithSelection = 2;
inline constexpr std::int16_t filterCaseFloatingSelection = 3;
inline constexpr std::int16_t filterCaseEditableTransparencyNoSelection = 4;
inline constexpr std::int16_t filterCaseEditableTransparencyWithSelection = 5;
inline constexpr std::int16_t filterCaseProtectedTransparencyNoSelection = 6;
inline constexpr std::int16_t filterCaseProtectedTransparencyWithSelection = 7;
inline constexpr int kFilterCaseCount = 7;

// FilterCaseInfo handling values.
inline constexpr std::uint8_t filterDataHandlingCantFilter = 0;
inline constexpr std::uint8_t filterDataHandlingNone = 1;
inline constexpr std::uint8_t filterDataHandlingBlackMat = 2;
inline constexpr std::uint8_t filterDataHandlingGrayMat = 3;
inline constexpr std::uint8_t filterDataHandlingWhiteMat = 4;
inline constexpr std::uint8_t filterDataHandlingDefringe = 5;  // input only
inline constexpr std::uint8_t filterDataHandlingBlackZap = 6;
inline constexpr std::uint8_t filterDataHandlingGrayZap = 7;
inline constexpr std::uint8_t filterDataHandlingWhiteZap = 8;  // input only
inline constexpr std::uint8_t filterDataHandlingFillMask = 9;  // output only
inline constexpr std::uint8_t filterDataHandlingBackgroundZap = 10;
inline constexpr std::uint8_t filterDataHandlingForegroundZap = 11;  // input only

// FilterCaseInfo::flags1 bits.
inline constexpr std::uint8_t filterFlagDontCopyToDestination = 1 << 0;
inline constexpr std::uint8_t filterFlagWorksWithBlankData = 1 << 1;
inline constexpr std::uint8_t filterFlagFiltersLayerMask = 1 << 2;
inline constexpr std::uint8_t filterFlagWritesOutsideSelection = 1 << 3;

// ---------------------------------------------------------------------------
// Four-character codes
// ---------------------------------------------------------------------------

inline constexpr OSType kHostSignatureDefault = FourCC("8BIM");  // also the PiPL vendor code
inline constexpr OSType kPiPLVendor = FourCC("8BIM");
inline constexpr OSType kFilterKind = FourCC("8BFM");
inline constexpr OSType kAnyHost = FourCC("    ");

// PiPL property keys. The entry name is looked up under the key that matches
// the DLL's architecture: 'wx86' for 32-bit, '8664' for 64-bit x86, 'wa64'
// for ARM64.
namespace pipl {
inline constexpr PIType kKind = FourCC("kind");
inline constexpr PIType kVersion = FourCC("vers");
inline constexpr PIType kCodeWin32X86 = FourCC("wx86");
inline constexpr PIType kCodeWin64X86 = FourCC("8664");
inline constexpr PIType kCodeWin64ARM = FourCC("wa64");
inline constexpr PIType kSupportedModes = FourCC("mode");
inline constexpr PIType kEnableInfo = FourCC("enbl");
inline constexpr PIType kCategory = FourCC("catg");
inline constexpr PIType kName = FourCC("name");
inline constexpr PIType kFilterCaseInfo = FourCC("fici");
inline constexpr PIType kHasTerminology = FourCC("hstm");
inline constexpr PIType kRequiredHost = FourCC("host");
inline constexpr PIType kPriority = FourCC("prty");
inline constexpr PIType kComponent = FourCC("cmpt");
inline constexpr PIType kMaxSize = FourCC("ms32");
inline constexpr PIType kMinSize = FourCC("mn32");
inline constexpr PIType kFilterLayerSupport = FourCC("flly");

// Highest interface version hosts accept in 'vers' (major << 16 | minor).
inline constexpr std::int32_t kLatestFilterVersion = 4 << 16;
}  // namespace pipl

// ---------------------------------------------------------------------------
// Layout checks. Offsets and sizes of the published layout: first column for
// 32-bit Windows, second for 64-bit Windows (and native 64-bit builds).
// ---------------------------------------------------------------------------

namespace layout {
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "only 32-bit and 64-bit targets");
constexpr std::size_t At(std::size_t x86, std::size_t x64) {
  return sizeof(void*) == 4 ? x86 : x64;
}
}  // namespace layout

static_assert(sizeof(Boolean) == 1);
static_assert(sizeof(Point16) == 4 && alignof(Point16) == 2);
static_assert(sizeof(Rect16) == 8 && alignof(Rect16) == 2);
static_assert(sizeof(RGBColor) == 6 && alignof(RGBColor) == 2);
static_assert(sizeof(FilterColor) == 4);
static_assert(sizeof(PlugInMonitor) == 40);
static_assert(sizeof(FilterCaseInfo) == 4);
static_assert(sizeof(PlatformData) == layout::At(4, 8));

static_assert(sizeof(HandleProcs) == layout::At(36, 72));
static_assert(offsetof(HandleProcs, numHandleProcs) == 2);
static_assert(offsetof(HandleProcs, newProc) == layout::At(4, 8));
static_assert(offsetof(HandleProcs, disposeProc) == layout::At(8, 16));
static_assert(offsetof(HandleProcs, getSizeProc) == layout::At(12, 24));
static_assert(offsetof(HandleProcs, setSizeProc) == layout::At(16, 32));
static_assert(offsetof(HandleProcs, lockProc) == layout::At(20, 40));
static_assert(offsetof(HandleProcs, unlockProc) == layout::At(24, 48));
static_assert(offsetof(HandleProcs, recoverSpaceProc) == layout::At(28, 56));
static_assert(offsetof(HandleProcs, disposeRegularHandleProc) == layout::At(32, 64));

static_assert(sizeof(BufferProcs) == layout::At(24, 48));
static_assert(offsetof(BufferProcs, allocateProc) == layout::At(4, 8));
static_assert(offsetof(BufferProcs, spaceProc) == layout::At(20, 40));

static_assert(sizeof(AboutRecord) == layout::At(256, 272));
static_assert(offsetof(AboutRecord, platformData) == 0);
static_assert(offsetof(AboutRecord, sSPBasic) == layout::At(4, 8));
static_assert(offsetof(AboutRecord, plugInRef) == layout::At(8, 16));
static_assert(offsetof(AboutRecord, reserved) == layout::At(12, 24));

static_assert(sizeof(FilterRecord) == layout::At(488, 608));
static_assert(alignof(FilterRecord) == 4);
static_assert(offsetof(FilterRecord, serialNumber) == 0);
static_assert(offsetof(FilterRecord, abortProc) == 4);
static_assert(offsetof(FilterRecord, progressProc) == layout::At(8, 12));
static_assert(offsetof(FilterRecord, parameters) == layout::At(12, 20));
static_assert(offsetof(FilterRecord, imageSize) == layout::At(16, 28));
static_assert(offsetof(FilterRecord, planes) == layout::At(20, 32));
static_assert(offsetof(FilterRecord, filterRect) == layout::At(22, 34));
static_assert(offsetof(FilterRecord, background) == layout::At(30, 42));
static_assert(offsetof(FilterRecord, foreground) == layout::At(36, 48));
static_assert(offsetof(FilterRecord, maxSpace) == layout::At(44, 56));
static_assert(offsetof(FilterRecord, bufferSpace) == layout::At(48, 60));
static_assert(offsetof(FilterRecord, inRect) == layout::At(52, 64));
static_assert(offsetof(FilterRecord, inLoPlane) == layout::At(60, 72));
static_assert(offsetof(FilterRecord, inHiPlane) == layout::At(62, 74));
static_assert(offsetof(FilterRecord, outRect) == layout::At(64, 76));
static_assert(offsetof(FilterRecord, outLoPlane) == layout::At(72, 84));
static_assert(offsetof(FilterRecord, outHiPlane) == layout::At(74, 86));
static_assert(offsetof(FilterRecord, inData) == layout::At(76, 88));
static_assert(offsetof(FilterRecord, inRowBytes) == layout::At(80, 96));
static_assert(offsetof(FilterRecord, outData) == layout::At(84, 100));
static_assert(offsetof(FilterRecord, outRowBytes) == layout::At(88, 108));
static_assert(offsetof(FilterRecord, isFloating) == layout::At(92, 112));
static_assert(offsetof(FilterRecord, haveMask) == layout::At(93, 113));
static_assert(offsetof(FilterRecord, autoMask) == layout::At(94, 114));
static_assert(offsetof(FilterRecord, maskRect) == layout::At(96, 116));
static_assert(offsetof(FilterRecord, maskData) == layout::At(104, 124));
static_assert(offsetof(FilterRecord, maskRowBytes) == layout::At(108, 132));
static_assert(offsetof(FilterRecord, backColor) == layout::At(112, 136));
static_assert(offsetof(FilterRecord, foreColor) == layout::At(116, 140));
static_assert(offsetof(FilterRecord, hostSig) == layout::At(120, 144));
static_assert(offsetof(FilterRecord, hostProc) == layout::At(124, 148));
static_assert(offsetof(FilterRecord, imageMode) == layout::At(128, 156));
static_assert(offsetof(FilterRecord, imageHRes) == layout::At(132, 160));
static_assert(offsetof(FilterRecord, imageVRes) == layout::At(136, 164));
static_assert(offsetof(FilterRecord, floatCoord) == layout::At(140, 168));
static_assert(offsetof(FilterRecord, wholeSize) == layout::At(144, 172));
static_assert(offsetof(FilterRecord, monitor) == layout::At(148, 176));
static_assert(offsetof(FilterRecord, platformData) == layout::At(188, 216));
static_assert(offsetof(FilterRecord, bufferProcs) == layout::At(192, 224));
static_assert(offsetof(FilterRecord, resourceProcs) == layout::At(196, 232));
static_assert(offsetof(FilterRecord, processEvent) == layout::At(200, 240));
static_assert(offsetof(FilterRecord, displayPixels) == layout::At(204, 248));
static_assert(offsetof(FilterRecord, handleProcs) == layout::At(208, 256));
static_assert(offsetof(FilterRecord, supportsDummyChannels) == layout::At(212, 264));
static_assert(offsetof(FilterRecord, supportsAlternateLayouts) == layout::At(213, 265));
static_assert(offsetof(FilterRecord, wantLayout) == layout::At(214, 266));
static_assert(offsetof(FilterRecord, filterCase) == layout::At(216, 268));
static_assert(offsetof(FilterRecord, dummyPlaneValue) == layout::At(218, 270));
static_assert(offsetof(FilterRecord, obsoleteHook) == layout::At(220, 272));
static_assert(offsetof(FilterRecord, advanceState) == layout::At(224, 280));
static_assert(offsetof(FilterRecord, supportsAbsolute) == layout::At(228, 288));
static_assert(offsetof(FilterRecord, wantsAbsolute) == layout::At(229, 289));
static_assert(offsetof(FilterRecord, getPropertyObsolete) == layout::At(232, 292));
static_assert(offsetof(FilterRecord, cannotUndo) == layout::At(236, 300));
static_assert(offsetof(FilterRecord, supportsPadding) == layout::At(237, 301));
static_assert(offsetof(FilterRecord, inputPadding) == layout::At(238, 302));
static_assert(offsetof(FilterRecord, outputPadding) == layout::At(240, 304));
static_assert(offsetof(FilterRecord, maskPadding) == layout::At(242, 306));
static_assert(offsetof(FilterRecord, samplingSupport) == layout::At(244, 308));
static_assert(offsetof(FilterRecord, reservedByte) == layout::At(245, 309));
static_assert(offsetof(FilterRecord, inputRate) == layout::At(248, 312));
static_assert(offsetof(FilterRecord, maskRate) == layout::At(252, 316));
static_assert(offsetof(FilterRecord, colorServices) == layout::At(256, 320));
static_assert(offsetof(FilterRecord, inLayerPlanes) == layout::At(260, 328));
static_assert(offsetof(FilterRecord, outLayerPlanes) == layout::At(270, 338));
static_assert(offsetof(FilterRecord, absLayerPlanes) == layout::At(280, 348));
static_assert(offsetof(FilterRecord, inPreDummyPlanes) == layout::At(290, 358));
static_assert(offsetof(FilterRecord, outPostDummyPlanes) == layout::At(296, 364));
static_assert(offsetof(FilterRecord, inColumnBytes) == layout::At(300, 368));
static_assert(offsetof(FilterRecord, inPlaneBytes) == layout::At(304, 372));
static_assert(offsetof(FilterRecord, outColumnBytes) == layout::At(308, 376));
static_assert(offsetof(FilterRecord, outPlaneBytes) == layout::At(312, 380));
static_assert(offsetof(FilterRecord, imageServicesProcs) == layout::At(316, 384));
static_assert(offsetof(FilterRecord, propertyProcs) == layout::At(320, 392));
static_assert(offsetof(FilterRecord, inTileHeight) == layout::At(324, 400));
static_assert(offsetof(FilterRecord, inTileOrigin) == layout::At(328, 404));
static_assert(offsetof(FilterRecord, absTileOrigin) == layout::At(336, 412));
static_assert(offsetof(FilterRecord, outTileOrigin) == layout::At(344, 420));
static_assert(offsetof(FilterRecord, maskTileHeight) == layout::At(348, 424));
static_assert(offsetof(FilterRecord, maskTileOrigin) == layout::At(352, 428));
static_assert(offsetof(FilterRecord, descriptorParameters) == layout::At(356, 432));
static_assert(offsetof(FilterRecord, errorString) == layout::At(360, 440));
static_assert(offsetof(FilterRecord, channelPortProcs) == layout::At(364, 448));
static_assert(offsetof(FilterRecord, documentInfo) == layout::At(368, 456));
static_assert(offsetof(FilterRecord, sSPBasic) == layout::At(372, 464));
static_assert(offsetof(FilterRecord, plugInRef) == layout::At(376, 472));
static_assert(offsetof(FilterRecord, depth) == layout::At(380, 480));
static_assert(offsetof(FilterRecord, iCCprofileData) == layout::At(384, 484));
static_assert(offsetof(FilterRecord, iCCprofileSize) == layout::At(388, 492));
static_assert(offsetof(FilterRecord, canUseICCProfiles) == layout::At(392, 496));
static_assert(offsetof(FilterRecord, hasImageScrap) == layout::At(396, 500));
static_assert(offsetof(FilterRecord, bigDocumentData) == layout::At(400, 504));
static_assert(offsetof(FilterRecord, input3DScene) == layout::At(404, 512));
static_assert(offsetof(FilterRecord, output3DScene) == layout::At(408, 520));
static_assert(offsetof(FilterRecord, createNewLayer) == layout::At(412, 528));
static_assert(offsetof(FilterRecord, iCCWorkingProfileData) == layout::At(416, 532));
static_assert(offsetof(FilterRecord, iCCWorkingProfileSize) == layout::At(420, 540));
static_assert(offsetof(FilterRecord, bufferSpace64) == layout::At(424, 544));
static_assert(offsetof(FilterRecord, maxSpace64) == layout::At(432, 552));
static_assert(offsetof(FilterRecord, reserved) == layout::At(440, 560));

}  // namespace pxb::api

#endif  // PXB_INTERFACE_PLUGINAPI_H
