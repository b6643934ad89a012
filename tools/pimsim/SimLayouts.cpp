#include "SimLayouts.h"

#include "protocol/Frame.h"

#include <cstring>

namespace pimsim {

namespace {

using F = Field;
using E = Enc;

// Both systems of a two-system frame: one entry per system.
void both(Layout &l, int off1, int off2, Enc e, Field f)
{
    l.append({off1, e, f, 0});
    l.append({off2, e, f, 1});
}

Layout twoSystemState(Family f)
{
    Layout l;
    both(l, 5, 9, E::F32, F::Heat);
    both(l, 53, 65, E::F32, F::V1);
    both(l, 57, 69, E::F32, F::V2);
    both(l, 61, 73, E::F32, F::V3);
    both(l, 13, 21, E::F32, F::TSup);
    both(l, 17, 25, E::F32, F::TRet);
    both(l, 29, 33, E::F32, F::TAdd);
    both(l, 37, 45, E::F32, F::P1);
    both(l, 41, 49, E::F32, F::P2);
    if (f == Family::T228) {
        both(l, 80, 88, E::F32, F::Flow1);
        both(l, 84, 92, E::F32, F::Flow2);
    } else {
        both(l, 80, 92, E::F32, F::Flow1);
        both(l, 84, 96, E::F32, F::Flow2);
        both(l, 88, 100, E::F32, F::Flow3);
    }
    both(l, 77, 78, E::U8, F::SysErr);
    l.append({79, E::U8, F::DevErr, 0});
    if (f == Family::T234 || f == Family::T238) {
        both(l, 104, 116, E::F32, F::Mass1);
        both(l, 108, 120, E::F32, F::Mass2);
        both(l, 112, 124, E::F32, F::Mass3);
    }
    return l;
}

Layout state225()
{
    return {
        {5, E::F32, F::Heat, 0},  {9, E::T100, F::TSup, 0}, {11, E::T100, F::TRet, 0},
        {13, E::T100, F::TAdd, 0}, {15, E::F32, F::V1, 0},  {19, E::F32, F::V2, 0},
        {23, E::F32, F::V3, 0},   {27, E::F32, F::VRed, 0}, {31, E::F32, F::El1, 0},
        {35, E::F32, F::El2, 0},  {39, E::U8, F::DevErr, 0},
    };
}

Layout state227()
{
    return {
        {5, E::F32, F::Heat, 0},  {9, E::T100, F::TSup, 0}, {11, E::T100, F::TRet, 0},
        {13, E::T100, F::TAdd, 0}, {15, E::F32, F::V1, 0},  {19, E::F32, F::V2, 0},
        {23, E::F32, F::V4, 0},   {27, E::F32, F::V3, 0},   {31, E::U8, F::DevErr, 0},
    };
}

Layout archive234()
{
    Layout l;
    l.append({5, E::U16, F::OpHours, 0});
    both(l, 7, 9, E::U16, F::ErrHours);
    both(l, 11, 15, E::F32, F::Heat);
    both(l, 19, 31, E::F32, F::V1);
    both(l, 23, 35, E::F32, F::V2);
    both(l, 27, 39, E::F32, F::V3);
    both(l, 43, 55, E::F32, F::Q4);
    both(l, 47, 59, E::F32, F::Q5);
    both(l, 51, 63, E::F32, F::Q6);
    l.append({67, E::U16, F::UnitMinutes, 0});
    both(l, 69, 73, E::F32, F::PHeat);
    both(l, 77, 89, E::F32, F::PV1);
    both(l, 81, 93, E::F32, F::PV2);
    both(l, 85, 97, E::F32, F::PV3);
    both(l, 101, 113, E::F32, F::PQ4);
    both(l, 105, 117, E::F32, F::PQ5);
    both(l, 109, 121, E::F32, F::PQ6);
    both(l, 125, 133, E::F32, F::TSup);
    both(l, 129, 137, E::F32, F::TRet);
    both(l, 141, 145, E::F32, F::TAdd);
    both(l, 149, 157, E::F32, F::P1);
    both(l, 153, 161, E::F32, F::P2);
    both(l, 165, 167, E::U16, F::ErrMinutes);
    both(l, 181, 183, E::U16, F::ErrB);
    both(l, 169, 171, E::U16, F::ErrA);
    both(l, 193, 195, E::U16, F::ErrC);
    l.append({205, E::U16, F::Word1, 0});
    both(l, 207, 209, E::U16, F::Word2);
    both(l, 173, 177, E::F32, F::EnA);
    both(l, 185, 189, E::F32, F::EnB);
    both(l, 197, 201, E::F32, F::EnC);
    both(l, 211, 212, E::U8, F::SysErr);
    l.append({213, E::U8, F::DevErr, 0});
    l.append({214, E::U8, F::Hour, 0});
    l.append({215, E::U16, F::Date, 0});
    return l;
}

Layout archive229()
{
    Layout l;
    l.append({5, E::U16, F::OpHours, 0});
    both(l, 7, 9, E::U16, F::ErrHours);
    both(l, 11, 15, E::F32, F::Heat);
    both(l, 19, 31, E::F32, F::V1);
    both(l, 23, 35, E::F32, F::V2);
    both(l, 27, 39, E::F32, F::V3);
    l.append({43, E::U16, F::UnitMinutes, 0});
    both(l, 45, 49, E::F32, F::PHeat);
    both(l, 53, 65, E::F32, F::PV1);
    both(l, 57, 69, E::F32, F::PV2);
    both(l, 61, 73, E::F32, F::PV3);
    both(l, 77, 85, E::F32, F::TSup);
    both(l, 81, 89, E::F32, F::TRet);
    both(l, 93, 97, E::F32, F::TAdd);
    both(l, 101, 109, E::F32, F::P1);
    both(l, 105, 113, E::F32, F::P2);
    both(l, 117, 119, E::U16, F::ErrMinutes);
    both(l, 133, 135, E::U16, F::ErrB);
    both(l, 121, 123, E::U16, F::ErrA);
    both(l, 145, 147, E::U16, F::ErrC);
    both(l, 125, 129, E::F32, F::EnA);
    both(l, 137, 141, E::F32, F::EnB);
    both(l, 149, 153, E::F32, F::EnC);
    both(l, 157, 158, E::U8, F::SysErr);
    l.append({159, E::U8, F::DevErr, 0});
    l.append({160, E::U8, F::Hour, 0});
    l.append({161, E::U16, F::Date, 0});
    return l;
}

Layout archive225()
{
    return {
        {5, E::U16, F::OpHours, 0}, {7, E::U16, F::ErrHours, 0}, {9, E::F32, F::Heat, 0},
        {13, E::F32, F::V1, 0},     {17, E::F32, F::V2, 0},      {21, E::F32, F::V3, 0},
        {25, E::F32, F::VRed, 0},   {29, E::F32, F::El1, 0},     {33, E::F32, F::El2, 0},
        {37, E::T100, F::TSup, 0},  {39, E::T100, F::TRet, 0},   {41, E::T100, F::TAdd, 0},
        {43, E::U8, F::DevErr, 0},  {44, E::U8, F::ErrPeriod, 0}, {45, E::U8, F::Hour, 0},
        {46, E::U16, F::Date, 0},
    };
}

Layout archive227()
{
    return {
        {5, E::U16, F::OpHours, 0}, {7, E::U16, F::ErrHours, 0}, {9, E::F32, F::Heat, 0},
        {13, E::F32, F::V1, 0},     {17, E::F32, F::V2, 0},      {21, E::F32, F::V4, 0},
        {25, E::F32, F::V3, 0},     {29, E::T100, F::TSup, 0},   {31, E::T100, F::TRet, 0},
        {33, E::T100, F::TAdd, 0},  {35, E::U8, F::DevErr, 0},   {36, E::U8, F::ErrPeriod, 0},
        {37, E::U8, F::Hour, 0},    {38, E::U16, F::Date, 0},
    };
}

// The factory values both two-system configurations share: six pulse
// weights, the period from 1.1 to 1.1, the flow limits of both systems.
void twoSystemDefaults(QByteArray &fr)
{
    for (int o : {5, 7, 9, 11, 13, 15})
        putU16(fr, o, 1000);
    for (int o = 21; o <= 24; ++o)
        putU8(fr, o, 1);
    putF32(fr, 25, 0); putF32(fr, 29, 0);
    putF32(fr, 33, 1500); putF32(fr, 37, 1500);
}

} // namespace

const QList<int> &servedTypes()
{
    static const QList<int> t{128, 225, 227, 228, 229, 230, 234, 235, 236, 237, 238, 239};
    return t;
}

bool typeInfo(int type, TypeInfo &i)
{
    i = TypeInfo();
    i.type = type;
    switch (type) {
    case 128:
        i.family = Family::T128;
        i.stateLength = 31;
        i.hasStatusByte = true;
        return true;
    case 225:
        i.family = Family::T225;
        i.stateLength = 41; i.paramLength = 23; i.arhLength = 49;
        i.dailyDepth = 128; i.hourlyDepth = 1024;
        i.hasStatusByte = false;
        i.leavesCarrierFiles = true;
        return true;
    case 227:
        i.family = Family::T227;
        i.stateLength = 33; i.paramLength = 16; i.arhLength = 41;
        i.dailyDepth = 128; i.hourlyDepth = 1024;
        return true;
    case 228:
        i.family = Family::T228;
        i.twoSystems = true;
        i.stateLength = 97; i.paramLength = 46; i.arhLength = 166;
        i.dailyDepth = 62; i.hourlyDepth = 960;
        i.hasArhBeginEnd = true;
        i.leavesCarrierFiles = true;
        return true;
    case 229:
    case 230:
        i.family = Family::T229;
        i.twoSystems = type == 229;
        i.stateLength = 105; i.paramLength = 46; i.arhLength = 166;
        i.dailyDepth = 62; i.hourlyDepth = 960;
        i.hasArhBeginEnd = true; i.hasChangeLog = true;
        i.leavesCarrierFiles = true;
        return true;
    case 234: case 235: case 236: case 237:
        i.family = Family::T234;
        i.twoSystems = type == 234 || type == 236;
        i.stateLength = 129; i.paramLength = 100; i.arhLength = 222;
        i.dailyDepth = 366; i.hourlyDepth = 1081;
        i.pressureMPa = true; i.hasArhBeginEnd = true; i.hasChangeLog = true;
        i.leavesCarrierFiles = type == 234 || type == 235;
        return true;
    case 238: case 239:
        i.family = Family::T238;
        i.twoSystems = type == 238;
        i.stateLength = 161; i.paramLength = 100; i.arhLength = 222;
        i.dailyDepth = 4401; i.hourlyDepth = 3601;
        i.pressureMPa = true; i.hasArhBeginEnd = true; i.hasChangeLog = true;
        return true;
    default:
        return false;
    }
}

const Layout &stateLayout(Family f)
{
    static const Layout l225 = state225(), l227 = state227(), l228 = twoSystemState(Family::T228),
                        l229 = twoSystemState(Family::T229), l234 = twoSystemState(Family::T234),
                        empty;
    switch (f) {
    case Family::T225: return l225;
    case Family::T227: return l227;
    case Family::T228: return l228;
    case Family::T229: return l229;
    case Family::T234:
    case Family::T238: return l234; // 238 adds 32 bytes the program does not read
    default: return empty;
    }
}

const Layout &archiveLayout(Family f)
{
    static const Layout l225 = archive225(), l227 = archive227(), l229 = archive229(),
                        l234 = archive234(), empty;
    switch (f) {
    case Family::T225: return l225;
    case Family::T227: return l227;
    case Family::T228:
    case Family::T229: return l229;
    case Family::T234:
    case Family::T238: return l234;
    default: return empty;
    }
}

QByteArray defaultConfig(Family f)
{
    // Built as a whole frame so that the offsets read as in the layouts,
    // then cut to its data bytes.
    QByteArray fr;
    switch (f) {
    case Family::T225:
        fr = QByteArray(23, '\0');
        putU16(fr, 5, 100); putU16(fr, 7, 100); putU16(fr, 9, 100);
        putU16(fr, 11, 1000);
        putU8(fr, 13, 0);
        putU16(fr, 14, 0); putU16(fr, 16, 0);
        putU8(fr, 18, 1); putU8(fr, 19, 5); putU8(fr, 20, 0); putU8(fr, 21, 45);
        break;
    case Family::T227:
        fr = QByteArray(16, '\0');
        putU16(fr, 5, 1); putU16(fr, 7, 2); putU16(fr, 9, 3); putU16(fr, 11, 4);
        putU8(fr, 13, 1); putU8(fr, 14, 5);
        break;
    case Family::T228:
    case Family::T229:
        fr = QByteArray(46, '\0');
        twoSystemDefaults(fr);
        putU8(fr, 17, 0); putU8(fr, 18, 0);
        putU8(fr, 19, 0); putU8(fr, 20, 0);
        putU8(fr, 41, 1); putU8(fr, 42, 1); putU8(fr, 43, 0);
        break;
    case Family::T234:
    case Family::T238:
        fr = QByteArray(100, '\0');
        twoSystemDefaults(fr);
        putU8(fr, 19, 5); putU8(fr, 20, 15);
        putU16(fr, 41, 0);
        for (int base : {43, 55}) {
            putF32(fr, base, 90); putF32(fr, base + 4, 70); putF32(fr, base + 8, 70);
        }
        for (int base : {67, 79}) {
            putF32(fr, base, 1.6); putF32(fr, base + 4, 1.6); putF32(fr, base + 8, 1.6);
        }
        putU16(fr, 91, 0); putU16(fr, 93, 0);
        putU8(fr, 95, 1); putU8(fr, 96, 1); putU8(fr, 97, 0);
        break;
    default:
        return QByteArray();
    }
    return fr.mid(5, fr.size() - 6);
}

void putU8(QByteArray &f, int i, int v)
{
    if (i >= 0 && i < f.size())
        f[i] = char(v & 0xFF);
}

void putU16(QByteArray &f, int i, int v)
{
    putU8(f, i, v);
    putU8(f, i + 1, v >> 8);
}

void putI32(QByteArray &f, int i, qint32 v)
{
    const quint32 u = quint32(v);
    for (int k = 0; k < 4; ++k)
        putU8(f, i + k, int(u >> (8 * k)));
}

void putF32(QByteArray &f, int i, double v)
{
    const float s = float(v);
    quint32 u;
    std::memcpy(&u, &s, 4);
    putI32(f, i, qint32(u));
}

int getU8(const QByteArray &f, int i)
{
    return i >= 0 && i < f.size() ? quint8(f[i]) : 0;
}

int getU16(const QByteArray &f, int i)
{
    return getU8(f, i) | (getU8(f, i + 1) << 8);
}

float getF32(const QByteArray &f, int i)
{
    quint32 u = 0;
    for (int k = 0; k < 4; ++k)
        u |= quint32(getU8(f, i + k)) << (8 * k);
    float s;
    std::memcpy(&s, &u, 4);
    return s;
}

void seal(QByteArray &frame)
{
    if (frame.isEmpty())
        return;
    frame[0] = char(frame.size() & 0xFF);
    frame[frame.size() - 1] = char(pim::CalcCS(pim::Tab::fromBytes(QByteArrayView(frame).first(frame.size() - 1))));
}

bool checksumOk(const QByteArray &frame)
{
    return frame.size() >= 2 && pim::TestCS(pim::Tab::fromBytes(frame));
}

} // namespace pimsim
