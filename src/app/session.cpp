// Start-up: the model container is checked first, so that a missing or damaged model is
// reported without touching the renderer; then the renderer is started, the session opened
// and the whole model sent.
#include "app/session.h"

#include "core/data_folder.h"
#include "core/log.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "platform/platform.h"
#include "platform/text.h"

#include <string>

namespace orvex {

namespace {

// Reported when OrvexApi.dll or one of its operations cannot be bound: the renderer is
// then as unreachable as one that refuses to start.
constexpr int32_t kRendererNotBound = -1;

const char16_t* const kRendererAddress = u"https://www.orvex-render.example/download";

} // namespace

bool startupSync(ModelExchange& ex) {
    ex.containerPath = dataFilePath(u"_model.alm");
    const HeaderResult result = readHeader(ex);
    if (result != kHeaderRead) {
        ex.container.close();
        reportError(ErrorSource::FILE, result);
        return false;
    }
    ex.session.projectName = ex.header.entries[0].project;
    if (!startSession(ex)) {
        ex.container.close();
        return false;
    }
    loadModelEntry(ex, 0);
    if (ex.session.handle != 0) {
        int64_t slot = 0;
        ex.session.api->ORVEXAPI_FlushData(ex.session.handle, &slot);
    }
    return true;
}

bool startSession(ModelExchange& ex) {
    RendererSession& s = ex.session;
    writeLog("Init Start");
    const std::u16string stem = projectStem(s.projectName);
    if (!s.api && ex.loadRenderer) s.api = &ex.loadRenderer();
    if (!s.api || !isComplete(*s.api)) {
        reportError(ErrorSource::CONNECTION, kRendererNotBound);
        return false;
    }
    int32_t status = 0;
    if (s.api->ORVEXAPI_StartOrvexRender(stem.c_str(), "TestDCC", "1.0", &status) != 0) {
        reportError(ErrorSource::CONNECTION, status);
        return false;
    }
    int32_t errorCode = 0;
    if (s.api->ORVEXAPI_CreateSession(&s.handle, 0, kAccessKey, &errorCode) != 0) {
        s.handle = 0;
        reportError(ErrorSource::SESSION, errorCode);
        return false;
    }
    const SceneSetting setting{1.0f, 2, 0};
    s.api->ORVEXAPI_SetSceneSetting(s.handle, &setting);
    s.api->ORVEXAPI_SetModelFilePath(s.handle, sceneFilePath(s.projectName).c_str());
    s.api->ORVEXAPI_SaveToFiles(s.handle, sceneFilePath(s.projectName).c_str());
    return s.handle != 0;
}

void reportError(ErrorSource source, int32_t code) {
    switch (source) {
    case ErrorSource::CONNECTION: {
        writeLog("Connection Error: " + std::to_string(code));
        platform().messageBoxW(u"Error: missing Orvex Render application!",
                               std::u16string(u"Missing the Orvex render. Install it and start the command.\n\n") +
                                   kRendererAddress);
        break;
    }
    case ErrorSource::FILE: {
        std::string text;
        switch (code) {
        case kHeaderNoFile: text = "File not found."; break;
        case kHeaderOldVersion: text = "Version not supported."; break;
        case kHeaderFormatError: text = "File format error."; break;
        default: break;
        }
        writeLog(text);
        platform().messageBoxA("Error: Orvex Render application!", text);
        break;
    }
    case ErrorSource::SESSION: {
        const std::string text = "Create Session Error: " + std::to_string(code);
        writeLog(text);
        platform().messageBoxA("Error: Orvex Render application!", text);
        break;
    }
    }
}

} // namespace orvex
