#pragma once

// Internal to the engine: not part of its interface.

#include <taglib/tiostream.h>

// An already opened file descriptor as TagLib's stream, for reading only: the file is
// never looked up by its path again, so it cannot be swapped for another in between. The
// descriptor stays the caller's. Reading stops after a budget of bytes, so a damaged file
// that sends a reader scanning cannot make it read gigabytes.
class DescriptorStream : public TagLib::IOStream {
public:
    DescriptorStream(int descriptor, long long length, long long readBudget);

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector &data) override;
    void insert(const TagLib::ByteVector &data, unsigned long start = 0,
                unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override;
    bool isOpen() const override;
    void seek(long offset, Position position = Beginning) override;
    long tell() const override;
    long length() override;
    void truncate(long length) override;

    bool budgetSpent() const { return m_budget <= 0; }

private:
    int m_descriptor;
    long long m_length;
    long long m_budget;
    long long m_position = 0;
};
