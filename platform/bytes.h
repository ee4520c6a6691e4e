#pragma once
// The bounded little-endian reader and writer under every binary format the program reads or
// writes. A read past the end fails (sticky) and yields zeros; offsets are 64-bit so that sums of
// untrusted fields cannot wrap.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QByteArray>

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const QByteArray& bytes)
        : data_(reinterpret_cast<const uint8_t*>(bytes.constData())), size_(size_t(bytes.size())) {}

    bool Ok() const { return ok_; }
    size_t Pos() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return ok_ ? size_ - pos_ : 0; }
    const uint8_t* Data() const { return data_; }
    // True when [offset, offset + length) lies inside the data.
    bool HasRange(uint64_t offset, uint64_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }

    bool Seek(uint64_t pos);
    bool Skip(uint64_t count);

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int16_t I16() { return int16_t(U16()); }
    int32_t I32() { return int32_t(U32()); }
    // Copies count bytes; on failure the destination is left unchanged.
    bool Read(void* dst, size_t count);
    // Pointer to the next count bytes, advancing past them; null when they are not all there.
    const uint8_t* Take(size_t count);

    // A reader over [offset, offset + length) of this one; an empty failed reader when out of range.
    ByteReader Sub(uint64_t offset, uint64_t length) const;

private:
    bool Need(size_t count);

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool ok_ = true;
};

class ByteWriter {
public:
    void U8(uint8_t v) { buf_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void I16(int16_t v) { U16(uint16_t(v)); }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void Bytes(const void* src, size_t count);
    void Zeros(size_t count) { buf_.insert(buf_.end(), count, 0); }
    // Overwrites 4 bytes already written at offset (sizes and offsets known only later).
    void PatchU32(size_t offset, uint32_t v);

    size_t Size() const { return buf_.size(); }
    const std::vector<uint8_t>& Buffer() const { return buf_; }
    std::vector<uint8_t>& Buffer() { return buf_; }
    QByteArray ToByteArray() const
    {
        return QByteArray(reinterpret_cast<const char*>(buf_.data()), qsizetype(buf_.size()));
    }

private:
    std::vector<uint8_t> buf_;
};
