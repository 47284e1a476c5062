#include "sound/double/sound_double.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace sound {
// Handles of the double carry only their printed name.
struct Module {
    std::string name;
};
struct Stream {
    std::string name;
};
}  // namespace sound

namespace sound_double {

namespace {

struct State {
    Script script;
    std::vector<std::string> calls;
    std::vector<std::unique_ptr<sound::Module>> modules;
    std::vector<std::unique_ptr<sound::Stream>> streams;
    int32_t lastRow = 0;
    int32_t lastOrder = 0;
    sound::StreamSyncCallback callback = nullptr;
    void* user = nullptr;
};

State& state() {
    static State instance;
    return instance;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string name(const sound::Module* module) { return module ? module->name : "null"; }
std::string name(const sound::Stream* stream) { return stream ? stream->name : "null"; }

void record(const std::string& call) { state().calls.push_back(call); }

int32_t next(std::deque<int32_t>& answers, int32_t& last) {
    if (!answers.empty()) {
        last = answers.front();
        answers.pop_front();
    }
    return last;
}

}  // namespace

Script& script() { return state().script; }
const std::vector<std::string>& calls() { return state().calls; }

std::vector<std::string> callsNamed(const std::vector<std::string>& names) {
    std::vector<std::string> picked;
    for (const std::string& call : state().calls) {
        const std::string callName = call.substr(0, call.find('('));
        if (std::find(names.begin(), names.end(), callName) != names.end()) picked.push_back(call);
    }
    return picked;
}

void reset() {
    State& s = state();
    s.script = Script{};
    s.calls.clear();
    s.modules.clear();
    s.streams.clear();
    s.lastRow = 0;
    s.lastOrder = 0;
    s.callback = nullptr;
    s.user = nullptr;
}

sound::StreamSyncCallback lastSyncCallback() { return state().callback; }
void* lastSyncUser() { return state().user; }

}  // namespace sound_double

namespace sound {

using sound_double::state;

float getVersion() {
    sound_double::record("getVersion()");
    return state().script.version;
}

bool init(int32_t mixRate, int32_t maxSoftwareChannels, uint32_t flags) {
    sound_double::record("init(" + std::to_string(mixRate) + "," + std::to_string(maxSoftwareChannels) + "," +
                         sound_double::hex(flags) + ")");
    return state().script.initSucceeds;
}

bool setOutput(int32_t outputType) {
    sound_double::record("setOutput(" + std::to_string(outputType) + ")");
    return true;
}

void close() { sound_double::record("close()"); }

Module* loadModule(const char* path) {
    sound_double::record(std::string("loadModule(") + (path ? path : "null") + ")");
    if (!state().script.loadSucceeds) return nullptr;
    auto& modules = state().modules;
    modules.push_back(std::make_unique<Module>(Module{"module" + std::to_string(modules.size() + 1)}));
    return modules.back().get();
}

bool playModule(Module* module) {
    sound_double::record("playModule(" + sound_double::name(module) + ")");
    return state().script.playModuleResult;
}

bool freeModule(Module* module) {
    sound_double::record("freeModule(" + sound_double::name(module) + ")");
    return true;
}

int32_t getOrder(Module* module) {
    sound_double::record("getOrder(" + sound_double::name(module) + ")");
    return sound_double::next(state().script.orders, state().lastOrder);
}

int32_t getRow(Module* module) {
    sound_double::record("getRow(" + sound_double::name(module) + ")");
    return sound_double::next(state().script.rows, state().lastRow);
}

bool setModulePaused(Module* module, bool paused) {
    sound_double::record("setModulePaused(" + sound_double::name(module) + "," + (paused ? "true" : "false") + ")");
    return module != nullptr;
}

bool setModulePosition(Module* module, int32_t order, int32_t row, int64_t moduleFrame) {
    sound_double::record("setModulePosition(" + sound_double::name(module) + "," + std::to_string(order) + "," +
                         std::to_string(row) + "," + std::to_string(moduleFrame) + ")");
    return module != nullptr;
}

int64_t moduleFrameAtSpeaker(Module* /*module*/) { return state().script.moduleFrame; }

Stream* openStream(const char* path, uint32_t mode, int32_t size) {
    sound_double::record(std::string("openStream(") + (path ? path : "null") + "," + sound_double::hex(mode) + "," +
                         std::to_string(size) + ")");
    if (!state().script.openStreamSucceeds) return nullptr;
    auto& streams = state().streams;
    streams.push_back(std::make_unique<Stream>(Stream{"stream" + std::to_string(streams.size() + 1)}));
    return streams.back().get();
}

bool setStreamSyncCallback(Stream* stream, StreamSyncCallback callback, void* user) {
    sound_double::record("setStreamSyncCallback(" + sound_double::name(stream) + "," +
                         (callback ? "callback" : "null") + "," +
                         std::to_string(reinterpret_cast<uintptr_t>(user)) + ")");
    state().callback = callback;
    state().user = user;
    return stream != nullptr;
}

int32_t playStream(int32_t channel, Stream* stream) {
    sound_double::record("playStream(" + std::to_string(channel) + "," + sound_double::name(stream) + ")");
    return stream ? state().script.playStreamChannel : -1;
}

bool closeStream(Stream* stream) {
    sound_double::record("closeStream(" + sound_double::name(stream) + ")");
    return stream != nullptr;
}

const char* lastLoadError() { return ""; }

}  // namespace sound
