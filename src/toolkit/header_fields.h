#pragma once

#include <QByteArrayView>
#include <QtEndian>
#include <cstring>
#include <optional>

namespace toolkit
{

// Fixed-size fields of a file header. A field that would reach past the bytes at hand is
// absent rather than read from beyond them: headers come from files anyone may have made.
// u16 and u32 read in the byte order the file uses; le16, le32 and be16 in the one named.
class HeaderFields
{
public:
    enum class Order { Little, Big };
    explicit HeaderFields(QByteArrayView bytes, Order order = Order::Little)
        : bytes_(bytes), order_(order)
    {
    }

    std::optional<quint8> u8(qsizetype at) const { return field<quint8>(at, Order::Little); }
    std::optional<quint16> u16(qsizetype at) const { return field<quint16>(at, order_); }
    std::optional<quint32> u32(qsizetype at) const { return field<quint32>(at, order_); }
    std::optional<quint16> le16(qsizetype at) const { return field<quint16>(at, Order::Little); }
    std::optional<quint32> le32(qsizetype at) const { return field<quint32>(at, Order::Little); }
    std::optional<quint16> be16(qsizetype at) const { return field<quint16>(at, Order::Big); }

private:
    template <class T> std::optional<T> field(qsizetype at, Order order) const
    {
        if (at < 0 || at > bytes_.size() - qsizetype(sizeof(T)))
            return std::nullopt;
        T value;
        std::memcpy(&value, bytes_.data() + at, sizeof(T));
        return order == Order::Big ? qFromBigEndian(value) : qFromLittleEndian(value);
    }

    QByteArrayView bytes_;
    Order order_;
};

} // namespace toolkit
