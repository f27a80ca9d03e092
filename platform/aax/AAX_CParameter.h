// Module side of the parameters: tapers, displays, the parameter object and the parameter
// manager, and the SDK's own chunk of parameter values.
//
// AAX_ITaperDelegate       normalised <-> real value over a range; AAX_CBinaryTaperDelegate
//                          (0 or 1, anything at or above 0.5 is 1), AAX_CLinearTaperDelegate
// AAX_IDisplayDelegate     text of a real value; AAX_CBinaryDisplayDelegate (two texts),
//                          AAX_CNumberDisplayDelegate (fixed decimal places)
// AAX_CParameter           identifier, name, normalised value (relaxed atomic: written on host
//                          threads, read on the audio thread), default, automatable, steps, type
//   SetNormalizedValue(v)  clamps to 0..1; a value that is not a number is ignored
//   GetValueAsBool/Float   the real value through the taper
// AAX_CParameterManager    owns the parameters in the order added; finds one by identifier
//                          without allocating (safe on the audio thread); a second parameter
//                          with an identifier already held is refused
// Chunk (AAX_cParameterChunkID): the identifiers and normalised values of every parameter.
//   AAX_WriteParameterChunk(manager, out)  appends the chunk to out (allocates)
//   AAX_ReadParameterChunk(data, size, entries)  parses a chunk; false for anything malformed
//                          (a wrong magic or count, a cut-short record, an empty or overlong
//                          identifier, a value outside 0..1 or not finite), entries then empty
#pragma once

#include "platform/aax/AAX_Interfaces.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AAX_ITaperDelegate
{
  public:
    virtual ~AAX_ITaperDelegate() = default;
    virtual double NormalizedToReal(double normalized) const = 0;
    virtual double RealToNormalized(double real) const = 0;
    virtual double Minimum() const = 0;
    virtual double Maximum() const = 0;
    virtual const char* Name() const = 0;
};

class AAX_CBinaryTaperDelegate : public AAX_ITaperDelegate
{
  public:
    double NormalizedToReal(double normalized) const override { return normalized >= 0.5 ? 1.0 : 0.0; }
    double RealToNormalized(double real) const override { return real >= 0.5 ? 1.0 : 0.0; }
    double Minimum() const override { return 0.0; }
    double Maximum() const override { return 1.0; }
    const char* Name() const override { return "binary"; }
};

class AAX_CLinearTaperDelegate : public AAX_ITaperDelegate
{
  public:
    AAX_CLinearTaperDelegate(double minimum, double maximum) : min(minimum), max(maximum) {}
    double NormalizedToReal(double normalized) const override { return min + (max - min) * normalized; }
    double RealToNormalized(double real) const override
    {
        return max > min ? (real - min) / (max - min) : 0.0;
    }
    double Minimum() const override { return min; }
    double Maximum() const override { return max; }
    const char* Name() const override { return "linear"; }

  private:
    double min, max;
};

class AAX_IDisplayDelegate
{
  public:
    virtual ~AAX_IDisplayDelegate() = default;
    virtual void ValueToString(double real, char* text, uint32_t size) const = 0;
};

class AAX_CBinaryDisplayDelegate : public AAX_IDisplayDelegate
{
  public:
    AAX_CBinaryDisplayDelegate(const char* falseText, const char* trueText) : off(falseText), on(trueText) {}
    void ValueToString(double real, char* text, uint32_t size) const override;

  private:
    std::string off, on;
};

class AAX_CNumberDisplayDelegate : public AAX_IDisplayDelegate
{
  public:
    explicit AAX_CNumberDisplayDelegate(int decimalPlaces) : places(decimalPlaces) {}
    void ValueToString(double real, char* text, uint32_t size) const override;

  private:
    int places;
};

class AAX_CParameter : public AAX_IParameter
{
  public:
    AAX_CParameter(std::string identifier, std::string name, double defaultNormalized,
                   std::unique_ptr<AAX_ITaperDelegate> taper, std::unique_ptr<AAX_IDisplayDelegate> display,
                   bool automatable);

    const char* Identifier() const override { return id.c_str(); }
    const char* Name() const override { return name.c_str(); }
    double GetNormalizedValue() const override { return value.load(std::memory_order_relaxed); }
    double GetNormalizedDefaultValue() const override { return defaultValue; }
    bool IsAutomatable() const override { return automatable; }
    int32_t GetNumberOfSteps() const override { return steps; }
    AAX_EParameterType GetType() const override { return type; }
    const char* TaperName() const override { return taper->Name(); }
    double RealMinimum() const override { return taper->Minimum(); }
    double RealMaximum() const override { return taper->Maximum(); }
    void GetValueString(double normalized, char* text, uint32_t size) const override;

    void SetNormalizedValue(double normalized);
    void SetNumberOfSteps(int32_t count) { steps = count; }
    void SetType(AAX_EParameterType t) { type = t; }
    bool GetValueAsBool(bool* result) const;
    bool GetValueAsFloat(float* result) const;

  private:
    std::string id, name;
    double defaultValue;
    std::atomic<double> value;
    std::unique_ptr<AAX_ITaperDelegate> taper;
    std::unique_ptr<AAX_IDisplayDelegate> display;
    bool automatable;
    int32_t steps = 128;
    AAX_EParameterType type = AAX_eParameterType_Continuous;
};

class AAX_CParameterManager
{
  public:
    // Takes the parameter; nullptr (and the parameter is dropped) when its identifier is held.
    AAX_CParameter* AddParameter(std::unique_ptr<AAX_CParameter> parameter);
    int32_t NumParameters() const { return static_cast<int32_t>(parameters.size()); }
    AAX_CParameter* GetParameter(int32_t index) const;
    AAX_CParameter* GetParameterByID(AAX_CParamID id) const;

  private:
    std::vector<std::unique_ptr<AAX_CParameter>> parameters;
    std::map<std::string, AAX_CParameter*, std::less<>> byId;
};

constexpr AAX_CTypeID AAX_cParameterChunkID = AAX_FourCC("prms");

struct AAX_SChunkEntry {
    std::string id;
    double value;
};

void AAX_WriteParameterChunk(const AAX_CParameterManager& manager, std::vector<uint8_t>& out);
bool AAX_ReadParameterChunk(const uint8_t* data, size_t size, std::vector<AAX_SChunkEntry>& entries);
