// Plain values of the AAX plug-in interface as our stand-in defines them: result codes,
// four-character type IDs, stem formats, the effect category, MIDI packets and node buffers,
// the transport, the render record, view containers and GUI geometry, and the host's
// controller.
//
// A module and its host each compile these headers: everything that crosses between them is
// either a plain value or an interface of pure virtual functions (this file and
// AAX_Interfaces.h), so that neither side links the other's code. Every value that the
// adapter does not need to be a particular number is our own choice.
#pragma once

#include <cstdint>

using AAX_Result = int32_t;
using AAX_CTypeID = uint32_t;     // four characters, the first in the most significant byte
using AAX_CParamID = const char*; // parameter identifier, zero-terminated

// Results.
constexpr AAX_Result AAX_SUCCESS = 0;
constexpr AAX_Result AAX_ERROR_INVALID_PARAMETER_ID = -20001;
constexpr AAX_Result AAX_ERROR_INVALID_ARGUMENT = -20002;
constexpr AAX_Result AAX_ERROR_INVALID_CHUNK_ID = -20003;
constexpr AAX_Result AAX_ERROR_NULL_OBJECT = -20004;
constexpr AAX_Result AAX_ERROR_MALFORMED_CHUNK = -20005;
constexpr AAX_Result AAX_ERROR_NOT_INITIALIZED = -20006;
constexpr AAX_Result AAX_ERROR_UNKNOWN_PLUGIN = -20007;
// Entry-point results (COM style): "not yet" and "unexpected failure".
constexpr AAX_Result AAX_RESULT_FALSE = 1;
constexpr AAX_Result AAX_RESULT_UNEXPECTED = static_cast<AAX_Result>(0x8000FFFFu);

// The getters' pattern: a null result pointer is refused, otherwise the value is written to it.
template <typename T, typename V> AAX_Result AAX_WriteResult(T* result, const V& value)
{
    if (!result) return AAX_ERROR_NULL_OBJECT;
    *result = value;
    return AAX_SUCCESS;
}

// Name of a result for messages ("AAX_ERROR_INVALID_PARAMETER_ID (-20001)").
inline const char* AAX_ResultName(AAX_Result result)
{
    switch (result) {
    case AAX_SUCCESS:
        return "AAX_SUCCESS (0)";
    case AAX_ERROR_INVALID_PARAMETER_ID:
        return "AAX_ERROR_INVALID_PARAMETER_ID (-20001)";
    case AAX_ERROR_INVALID_ARGUMENT:
        return "AAX_ERROR_INVALID_ARGUMENT (-20002)";
    case AAX_ERROR_INVALID_CHUNK_ID:
        return "AAX_ERROR_INVALID_CHUNK_ID (-20003)";
    case AAX_ERROR_NULL_OBJECT:
        return "AAX_ERROR_NULL_OBJECT (-20004)";
    case AAX_ERROR_MALFORMED_CHUNK:
        return "AAX_ERROR_MALFORMED_CHUNK (-20005)";
    case AAX_ERROR_NOT_INITIALIZED:
        return "AAX_ERROR_NOT_INITIALIZED (-20006)";
    case AAX_ERROR_UNKNOWN_PLUGIN:
        return "AAX_ERROR_UNKNOWN_PLUGIN (-20007)";
    case AAX_RESULT_FALSE:
        return "AAX_RESULT_FALSE (1)";
    case AAX_RESULT_UNEXPECTED:
        return "AAX_RESULT_UNEXPECTED (0x8000FFFF)";
    default:
        return "unknown AAX result";
    }
}

constexpr AAX_CTypeID AAX_FourCC(const char (&text)[5])
{
    return (static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

// Stem formats: channel count in the low 16 bits.
enum AAX_EStemFormat : uint32_t {
    AAX_eStemFormat_None = 0,
    AAX_eStemFormat_Mono = 1,
    AAX_eStemFormat_Stereo = 0x10002,
};
constexpr int AAX_StemChannelCount(uint32_t format)
{
    return static_cast<int>(format & 0xFFFFu);
}

constexpr uint32_t AAX_ePlugInCategory_Effect = 8192;

// The master-bypass parameter's identifier.
constexpr const char* AAX_cMasterBypassID = "MasterBypassID";

// Parameter types as the host shows them.
enum AAX_EParameterType : int32_t {
    AAX_eParameterType_Discrete = 0,
    AAX_eParameterType_Continuous = 1,
};

// ---- MIDI ------------------------------------------------------------------------------------

// One MIDI message of a buffer: timestamp in frames from the start of the buffer.
struct AAX_CMidiPacket {
    uint32_t mTimestamp = 0;
    uint32_t mLength = 0;
    uint8_t mData[4] = {};
    bool mIsImmediate = false;
};

// The packets a MIDI node holds for the current buffer.
struct AAX_CMidiStream {
    uint32_t mBufferSize = 0; // number of packets
    const AAX_CMidiPacket* mBuffer = nullptr;
};

class AAX_IMIDINode
{
  public:
    virtual ~AAX_IMIDINode() = default;
    virtual const AAX_CMidiStream* GetNodeBuffer() const = 0;
};

// ---- transport -------------------------------------------------------------------------------

// Ticks of the transport's position per quarter note.
constexpr int64_t AAX_cTicksPerQuarter = 960000;

class AAX_ITransport
{
  public:
    virtual ~AAX_ITransport() = default;
    virtual AAX_Result IsTransportPlaying(bool* playing) const = 0;
    virtual AAX_Result GetCurrentTickPosition(int64_t* ticks) const = 0;
    virtual AAX_Result GetCurrentTempo(double* bpm) const = 0;
};

// ---- render ----------------------------------------------------------------------------------

// What the host hands to one render call: the buffers of the instance's stems (one pointer per
// channel), the sample count, the MIDI nodes and the transport.
struct AAX_SRenderContext {
    float* const* mInputs = nullptr;
    float* const* mOutputs = nullptr;
    const int32_t* mBufferSize = nullptr;
    const AAX_IMIDINode* mInputMIDI = nullptr;
    const AAX_IMIDINode* mGlobalMIDI = nullptr;
    const AAX_ITransport* mTransport = nullptr;
};

// ---- GUI -------------------------------------------------------------------------------------

struct AAX_Point {
    float vert = 0.0f;
    float horz = 0.0f;
};

struct AAX_Rect {
    float top = 0.0f;
    float left = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

enum AAX_EViewContainer_Type : int32_t {
    AAX_eViewContainer_Type_NULL = 0,
    AAX_eViewContainer_Type_Embedded = 1,
    AAX_eViewContainer_Type_Offscreen = 2,
    AAX_eViewContainer_Type_Native = 3, // a native window handle
};

// Which window system a native handle belongs to. On Linux a handle alone does not say it:
// an X11 window id, or a headless test parent (see platform/gui/HeadlessBackend.h).
enum AAX_EWindowSystem : int32_t {
    AAX_eWindowSystem_X11 = 0,
    AAX_eWindowSystem_Headless = 1,
};

class AAX_IViewContainer
{
  public:
    virtual ~AAX_IViewContainer() = default;
    virtual int32_t GetType() const = 0;
    virtual void* GetPtr() const = 0;
    virtual int32_t GetWindowSystem() const = 0;
};

// ---- the host's controller of one instance ---------------------------------------------------

// What an instance asks of its host. GetCustomData routes a GUI's request to the instance's
// effect parameters. ParameterChangedByPlugIn tells the host that the plug-in set a value
// itself (automation written by the plug-in); it may be called on the audio thread and must
// not block.
class AAX_IController
{
  public:
    virtual ~AAX_IController() = default;
    virtual AAX_Result GetSampleRate(double* rate) const = 0;
    virtual AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const = 0;
    virtual AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const = 0;
    virtual AAX_Result GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                                     uint32_t* written) const = 0;
    virtual void ParameterChangedByPlugIn(AAX_CParamID id, double normalized) = 0;
};
