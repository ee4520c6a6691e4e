#include "platform/bytes.h"

#include <cstring>

bool ByteReader::Need(size_t count)
{
    if (!ok_ || count > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

bool ByteReader::Seek(uint64_t pos)
{
    if (!ok_ || pos > size_) {
        ok_ = false;
        return false;
    }
    pos_ = size_t(pos);
    return true;
}

bool ByteReader::Skip(uint64_t count)
{
    if (!ok_ || count > size_ - pos_) {
        ok_ = false;
        return false;
    }
    pos_ += size_t(count);
    return true;
}

uint8_t ByteReader::U8()
{
    if (!Need(1)) return 0;
    return data_[pos_++];
}

uint16_t ByteReader::U16()
{
    if (!Need(2)) return 0;
    const uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t ByteReader::U32()
{
    if (!Need(4)) return 0;
    const uint32_t v = uint32_t(data_[pos_]) | (uint32_t(data_[pos_ + 1]) << 8) |
                       (uint32_t(data_[pos_ + 2]) << 16) | (uint32_t(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
}

bool ByteReader::Read(void* dst, size_t count)
{
    if (!Need(count)) return false;
    if (count) std::memcpy(dst, data_ + pos_, count);
    pos_ += count;
    return true;
}

const uint8_t* ByteReader::Take(size_t count)
{
    if (!Need(count)) return nullptr;
    const uint8_t* p = data_ + pos_;
    pos_ += count;
    return p;
}

ByteReader ByteReader::Sub(uint64_t offset, uint64_t length) const
{
    if (!HasRange(offset, length)) {
        ByteReader failed;
        failed.ok_ = false;
        return failed;
    }
    return ByteReader(data_ + offset, size_t(length));
}

void ByteWriter::U16(uint16_t v)
{
    buf_.push_back(uint8_t(v & 0xFF));
    buf_.push_back(uint8_t(v >> 8));
}

void ByteWriter::U32(uint32_t v)
{
    for (int i = 0; i < 4; ++i) buf_.push_back(uint8_t((v >> (8 * i)) & 0xFF));
}

void ByteWriter::Bytes(const void* src, size_t count)
{
    const auto* p = static_cast<const uint8_t*>(src);
    buf_.insert(buf_.end(), p, p + count);
}

void ByteWriter::PatchU32(size_t offset, uint32_t v)
{
    if (offset > buf_.size() || buf_.size() - offset < 4) return;
    for (int i = 0; i < 4; ++i) buf_[offset + size_t(i)] = uint8_t((v >> (8 * i)) & 0xFF);
}
