// What the model benchmarks share: a scratch data folder, scene generators built on the
// container writer, timing, peak-memory probes and the one-line figure format.
#pragma once

#include "scene-writer/container_writer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvex::bench {

// A fresh folder under the temporary folder, made the program's APPDATA so that the data
// folder is <folder>/Quorvel/Planomat2027_OrvexPlugin/Data; removed with its contents.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // A file of the data folder, as a native path.
    std::string dataFile(const std::string& name) const { return data_ + "/" + name; }

private:
    std::string root_;
    std::string data_;
};

// A mesh part as a modelling program exports it: positions, a normal per vertex (array 2),
// two texture coordinates per vertex (array 5) and about two triangles per vertex.
writer::PartContent meshPart(std::u16string label, uint32_t vertexCount, uint32_t seed);
// Bytes of the four arrays of such a part.
uint64_t meshPartBytes(uint32_t vertexCount);

// A model of solids with one small closed box each (24 vertices, 36 indices).
writer::ModelBlockContent smallSolidsModel(uint32_t solidCount, uint32_t firstId, uint32_t timestamp);
constexpr uint32_t kSmallSolids = 100'000;
constexpr uint64_t kBoxBytes = 24 * (12 + 12 + 8) + 36 * 4;
// Writes a container with one model block at entry 0; false when it cannot be written.
bool writeModel(const std::string& path, const writer::ModelBlockContent& contents);
// Writes the large model (over 500 MB of mesh arrays in 1 to 4 parts a solid of 10k to 200k
// vertices each, always the same) in a child, so that the writer's copies never stay in the
// caller's memory; the largest part's bytes in largestPart. False when it cannot be written.
bool writeLargeModel(const std::string& path, uint64_t& largestPart);

double secondsOf(const std::function<void()>& work);
// The fastest of n runs, each prepared outside the timing.
double bestOf(int runs, const std::function<void()>& prepare, const std::function<void()>& work);
// A buffer that starts on a page, as the kernel copies fastest into (a large block from
// malloc starts a few bytes into one, which makes read about 40 % slower on some machines).
class AlignedBuffer {
public:
    explicit AlignedBuffer(size_t size);
    ~AlignedBuffer();
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    unsigned char* data_;
    size_t size_;
};
// Reads a whole file front to back into one reused buffer; the bytes read.
uint64_t plainRead(const std::string& path, const AlignedBuffer& buffer);
// A whole file's bytes ("" when it cannot be read).
std::string fileBytes(const std::string& path);

// Runs work in a forked child, so that it starts with a small footprint and its memory
// goes away with it; false when the child failed.
bool inChild(const std::function<void()>& work);
// The same for a measurement: value is what work returned in the child.
bool inChildMeasure(double& value, const std::function<double()>& work);
// Forgets the peak resident size so far (Linux: clear_refs 5); false when not possible.
bool resetPeakMemory();
// A field of /proc/self/status in bytes ("VmHWM", "VmRSS"); 0 when unknown.
uint64_t statusBytes(const char* field);

// One figure: "<name>: <value> | <reference name>: <reference> | ratio <value/reference>".
void printFigure(const std::string& name, double value, const std::string& unit,
                 const std::string& reference, double referenceValue, const std::string& referenceUnit);
std::string megabytes(uint64_t bytes);

// Start-up read-and-send of entry 0 of "_model.alm" (journaling off) against a plain read
// of the same file, with the peak memory of the start-up against the largest part.
void compareStartUp(const std::string& label, const ScratchFolder& folder, uint64_t largestPartBytes,
                    int runs);

} // namespace orvex::bench
