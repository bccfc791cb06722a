// The list: tail growth, the single cursor, copies per node kind, equality.
#include "core/qvr_dbllist.h"
#include "core/qvr_wchar_string.h"
#include "qvr_test_helpers.h"
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

using qvrtest::S;
using qvrtest::Str;
using qvrtest::W;
using qvrtest::wstr;

namespace {

typedef CQVRDblList<CQVRObjNode<Str>> StringList;
typedef CQVRDblList<CQVRPtrNode<Str>> StringPtrList;

enum Location { locUser = 1, locMachine = 2, locPolicy = 4 };
typedef CQVRDblList<CQVRStdNode<Location>> LocationList;

wstr currentText(const StringList& list)
{
    Str value;
    if (!list.getCurrent(value) || value.getText() == nullptr)
        return wstr();
    return value.getText();
}

// A value record with equality but no order of its own.
struct Record {
    uint32_t ulValue;
    bool operator==(const Record& other) const { return ulValue == other.ulValue; }
    bool operator!=(const Record& other) const { return ulValue != other.ulValue; }
};

// A record that has an order, but one the list must not use.
struct Unordered {
    uint32_t ulValue;
    bool operator==(const Unordered& other) const { return ulValue == other.ulValue; }
    bool operator!=(const Unordered& other) const { return ulValue != other.ulValue; }
    bool operator<(const Unordered& other) const { return ulValue < other.ulValue; }
    bool operator>(const Unordered& other) const { return ulValue > other.ulValue; }
};

}  // namespace

template <> struct CQVRNodeOrder<Unordered> {
    static bool less(const Unordered&, const Unordered&) { return false; }
    static bool greater(const Unordered&, const Unordered&) { return false; }
};

namespace {

class DblListTest : public qvrtest::MachineTest {};

TEST_F(DblListTest, TheFirstNodeTakesTheCursorAndLaterOnesDoNot)
{
    StringList list;
    EXPECT_EQ(list.getCount(), 0u);
    EXPECT_EQ(currentText(list), wstr());
    ASSERT_TRUE(list.add(S("one"), 10));
    EXPECT_EQ(currentText(list), W("one"));
    ASSERT_TRUE(list.add(S("two"), 20));
    ASSERT_TRUE(list.add(S("three"), 30));
    EXPECT_EQ(list.getCount(), 3u);
    EXPECT_EQ(currentText(list), W("one"));

    ASSERT_TRUE(list.moveNext());
    EXPECT_EQ(currentText(list), W("two"));
    ASSERT_TRUE(list.moveNext());
    EXPECT_FALSE(list.moveNext());
    EXPECT_EQ(currentText(list), W("three"));
    ASSERT_TRUE(list.moveFirst());
    EXPECT_EQ(currentText(list), W("one"));
}

TEST_F(DblListTest, FindKeyStopsOnTheMatchOrOnTheTail)
{
    StringList list;
    EXPECT_FALSE(list.findKey(1));
    list.add(S("a"), 1);
    list.add(S("b"), 2);
    list.add(S("c"), 2);
    list.add(S("d"), 4);
    ASSERT_TRUE(list.findKey(2));
    EXPECT_EQ(currentText(list), W("b"));
    EXPECT_FALSE(list.findKey(3));
    EXPECT_EQ(currentText(list), W("d"));
}

TEST_F(DblListTest, SetAndGetCurrentWorkOnTheCursorsNode)
{
    StringList list;
    EXPECT_FALSE(list.setCurrent(S("x")));
    list.add(S("a"), 1);
    list.add(S("b"), 2);
    list.findKey(2);
    ASSERT_TRUE(list.setCurrent(S("B")));
    EXPECT_EQ(currentText(list), W("B"));

    Str* pValue = nullptr;
    ASSERT_TRUE(list.getCurrent(pValue));
    ASSERT_NE(pValue, nullptr);
    *pValue = S("changed");
    EXPECT_EQ(currentText(list), W("changed"));
}

TEST_F(DblListTest, RemoveAllEmptiesTheListWholly)
{
    StringList list;
    EXPECT_TRUE(list.removeAll());
    list.add(S("a"), 1);
    list.add(S("b"), 2);
    EXPECT_TRUE(list.removeAll());
    EXPECT_EQ(list.getCount(), 0u);
    EXPECT_FALSE(list.moveFirst());
    Str value = S("kept");
    EXPECT_FALSE(list.getCurrent(value));
    EXPECT_EQ(wstr(value.getText()), W("kept"));
    // Usable again afterwards, cursor included.
    list.add(S("c"), 3);
    EXPECT_EQ(currentText(list), W("c"));
}

TEST_F(DblListTest, EqualityComparesKeysAndValuesInOrder)
{
    StringList a;
    StringList b;
    EXPECT_TRUE(a == b);
    a.add(S("x"), 1);
    a.add(S("y"), 2);
    b.add(S("x"), 1);
    EXPECT_FALSE(a == b);
    b.add(S("y"), 2);
    EXPECT_TRUE(a == b);

    StringList otherKeys;
    otherKeys.add(S("x"), 1);
    otherKeys.add(S("y"), 3);
    EXPECT_FALSE(a == otherKeys);

    StringList otherOrder;
    otherOrder.add(S("y"), 2);
    otherOrder.add(S("x"), 1);
    EXPECT_FALSE(a == otherOrder);
}

TEST_F(DblListTest, CopyingAValueListCopiesValuesAndKeys)
{
    StringList source;
    source.add(S("a"), 7);
    source.add(S("b"), 8);
    StringList copy;
    copy.add(S("old"), 1);
    copy = source;
    EXPECT_TRUE(copy == source);
    EXPECT_EQ(copy.getCount(), 2u);
    ASSERT_TRUE(copy.findKey(8));
    EXPECT_EQ(currentText(copy), W("b"));
    StringList& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.getCount(), 2u);

    StringList constructed(source);
    EXPECT_TRUE(constructed == source);

    LocationList locations;
    locations.add(locMachine, 0);
    locations.add(locPolicy, 1);
    LocationList locationCopy;
    locationCopy = locations;
    EXPECT_TRUE(locationCopy == locations);
    Location value = locUser;
    ASSERT_TRUE(locationCopy.findKey(1));
    ASSERT_TRUE(locationCopy.getCurrent(value));
    EXPECT_EQ(value, locPolicy);
}

TEST_F(DblListTest, CopyingAPointerListCopiesThePointees)
{
    StringPtrList copy;
    {
        StringPtrList source;
        ASSERT_TRUE(source.add(new Str(S("alpha"))));
        ASSERT_TRUE(source.add(new Str(S("beta"))));
        copy = source;
        EXPECT_TRUE(copy == source);

        Str* pSource = nullptr;
        Str* pCopy = nullptr;
        ASSERT_TRUE(source.getCurrent(pSource));
        ASSERT_TRUE(copy.getCurrent(pCopy));
        EXPECT_NE(pSource, pCopy);
        EXPECT_TRUE(*pSource == *pCopy);
    }
    // The source and its pointees are gone; the copy holds its own.
    ASSERT_TRUE(copy.moveNext());
    Str value;
    ASSERT_TRUE(copy.getCurrent(value));
    EXPECT_EQ(wstr(value.getText()), W("beta"));
    EXPECT_EQ(copy.getCount(), 2u);
}

TEST_F(DblListTest, PointerNodesComparePointeesNotAddresses)
{
    CQVRPtrNode<Str> node(new Str(S("b")), 0);
    Str same = S("b");
    Str later = S("c");
    EXPECT_TRUE(node == &same);
    EXPECT_FALSE(node != &same);
    EXPECT_TRUE(node < &later);
    EXPECT_FALSE(node > &later);
    EXPECT_FALSE(node == nullptr);
    EXPECT_FALSE(node < nullptr);
}

TEST_F(DblListTest, NodesOrderByTheValueTypesOperatorsWhereItHasThem)
{
    CQVRObjNode<Str> node(S("m"), 0);
    EXPECT_TRUE(node < S("n"));
    EXPECT_TRUE(node > S("l"));
    EXPECT_FALSE(node < S("m"));

    CQVRObjNode<Record> record(Record{5}, 0);
    EXPECT_FALSE(record < Record{9});
    EXPECT_FALSE(record > Record{1});
    EXPECT_TRUE(record == Record{5});

    CQVRObjNode<Unordered> unordered(Unordered{5}, 0);
    EXPECT_FALSE(unordered < Unordered{9});
    EXPECT_FALSE(unordered > Unordered{1});

    CQVRStdNode<Location> plain(locMachine, 3);
    EXPECT_TRUE(plain < locPolicy);
    EXPECT_TRUE(plain > locUser);
    EXPECT_EQ(plain.getValue(), locMachine);
}

}  // namespace
