#include "fileinfo/descriptorstream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

DescriptorStream::DescriptorStream(int descriptor, long long length, long long readBudget)
    : m_descriptor(descriptor), m_length(length), m_budget(readBudget)
{
}

TagLib::FileName DescriptorStream::name() const
{
    return "";
}

TagLib::ByteVector DescriptorStream::readBlock(unsigned long length)
{
    const long long wanted =
        std::min({(long long)length, m_budget, std::max(m_length - m_position, 0LL)});
    if (wanted <= 0)
        return {};
    TagLib::ByteVector block(uint(wanted), '\0');
    long long done = 0;
    while (done < wanted) {
        const ssize_t got =
            ::pread(m_descriptor, block.data() + done, size_t(wanted - done), m_position + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    block.resize(uint(done));
    m_position += done;
    m_budget -= std::max(done, 1LL);
    return block;
}

// Tags are only ever read here.
void DescriptorStream::writeBlock(const TagLib::ByteVector &) {}
void DescriptorStream::insert(const TagLib::ByteVector &, unsigned long, unsigned long) {}
void DescriptorStream::removeBlock(unsigned long, unsigned long) {}
void DescriptorStream::truncate(long) {}

bool DescriptorStream::readOnly() const
{
    return true;
}

bool DescriptorStream::isOpen() const
{
    return m_descriptor >= 0;
}

void DescriptorStream::seek(long offset, Position position)
{
    const long long from = position == Beginning ? 0 : position == Current ? m_position : m_length;
    m_position = std::max(from + offset, 0LL);
}

long DescriptorStream::tell() const
{
    return long(m_position);
}

long DescriptorStream::length()
{
    return long(m_length);
}
