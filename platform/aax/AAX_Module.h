// The SDK's side of a module's entry points. The module exports the seven entry points itself
// (with C linkage, under their plain names) and forwards to these.
//
//   AAX_SDK_Startup(host)                 readies the module; the others refuse before it
//   AAX_SDK_Shutdown(host)                drops the description
//   AAX_SDK_RegisterPlugin(host, &def)    describes the module once (GetEffectDescriptions) and
//                                         hands out the definition (owned by the module until
//                                         shutdown); the description's own result when it fails
//   AAX_SDK_RegisterComponent(host, i, &effect)  effect i of the definition
//   AAX_SDK_GetClassFactory(host, pluginID, &factory)  a new factory (deleted by the host) for
//                                         the component with that plug-in ID
//   AAX_SDK_CanUnloadNow(host)            AAX_SUCCESS when no instance or GUI object is alive,
//                                         AAX_RESULT_FALSE otherwise
// Host threads only; not for concurrent use.
#pragma once

#include "platform/aax/AAX_Interfaces.h"

AAX_Result AAX_SDK_Startup(void* host);
AAX_Result AAX_SDK_Shutdown(void* host);
AAX_Result AAX_SDK_RegisterPlugin(void* host, const AAX_IPluginDefinition** definition);
AAX_Result AAX_SDK_RegisterComponent(void* host, uint32_t index, const AAX_IEffectDefinition** effect);
AAX_Result AAX_SDK_GetClassFactory(void* host, AAX_CTypeID pluginID, AAX_IClassFactory** factory);
AAX_Result AAX_SDK_CanUnloadNow(void* host);
