#include <CMMArray.h>
#include <host/CMMString.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <new>
#include <string>
#include <vector>

namespace {

// Exposes the allocation state that the growth rules are about.
template <class T>
class Probe : public CMMArray<T> {
  public:
    Probe(int p_initial, int p_step) : CMMArray<T>(p_initial, p_step) {}
    Probe(const CMMArray<T>& p_other) : CMMArray<T>(p_other) {}
    int Capacity() const { return this->m_capacity; }
    int Step() const { return this->m_growth_step; }
    bool Allocated() const { return this->m_data != nullptr; }
    int FreeIterators() const { return this->m_free_iterators; }
};

// Counts live instances and can refuse array allocation.
struct Counted {
    static int s_live;
    static bool s_refuse;
    int m_value;

    Counted() : m_value(0) { s_live++; }
    Counted(int p_value) : m_value(p_value) { s_live++; }
    Counted(const Counted& p_other) : m_value(p_other.m_value) { s_live++; }
    Counted& operator=(const Counted&) = default;
    ~Counted() { s_live--; }

    static void* operator new[](std::size_t p_size, const std::nothrow_t&) noexcept {
        return s_refuse ? nullptr : ::operator new[](p_size, std::nothrow);
    }
    static void operator delete[](void* p_block) noexcept { ::operator delete[](p_block); }
};
int Counted::s_live = 0;
bool Counted::s_refuse = false;

std::vector<int> Values(const CMMArray<Counted>& a) {
    std::vector<int> l_values;
    for (int i = 0; i < a.GetSize(); i++) {
        l_values.push_back(a.GetPtr(i)->m_value);
    }
    return l_values;
}

class CMMArrayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Counted::s_refuse = false;
        m_live_before = Counted::s_live;
    }
    // Every element ever constructed has been destroyed.
    void TearDown() override {
        Counted::s_refuse = false;
        EXPECT_EQ(Counted::s_live, m_live_before);
    }
    int m_live_before = 0;
};

TEST_F(CMMArrayTest, GrowthRule) {
    struct Case {
        int initial;
        int step;
        int at_construction;
        int adds;
        int capacity;
    } cases[] = {
        {10, 10, 10, 0, 10},  {10, 10, 10, 9, 10},  {10, 10, 10, 10, 19},
        {10, 10, 10, 18, 19}, {10, 10, 10, 19, 28}, {10, 10, 10, 27, 28},
        {10, 10, 10, 28, 37}, {0, 10, 0, 0, 0},     {0, 10, 0, 1, 10},
        {-1, 10, 10, 0, 10},  {-7, 10, 0, 1, 10},   {10, 0, 10, 10, 19},
        {10, -5, 10, 10, 19}, {0, 3, 0, 1, 3},      {0, 3, 0, 3, 5},
        {3, 1, 3, 3, 3},  // a step of one fills the block before growing
        {3, 1, 3, 4, 4},      {25, 10, 25, 24, 25}, {25, 10, 25, 25, 34},
    };
    for (const Case& c : cases) {
        Probe<Counted> a(c.initial, c.step);
        EXPECT_EQ(a.Capacity(), c.at_construction) << c.initial << "," << c.step;
        EXPECT_EQ(a.Allocated(), c.at_construction > 0);
        EXPECT_EQ(a.FreeIterators(), 5);
        for (int i = 0; i < c.adds; i++) {
            ASSERT_EQ(a.Add(Counted(i)), 1);
        }
        EXPECT_EQ(a.Capacity(), c.capacity) << c.initial << "," << c.step << " +" << c.adds;
        ASSERT_EQ(a.GetSize(), c.adds);
        for (int i = 0; i < c.adds; i++) {
            EXPECT_EQ(a.GetPtr(i)->m_value, i);
        }
    }
}

TEST_F(CMMArrayTest, IncreaseNeverShrinks) {
    Probe<Counted> a(10, 10);
    a.Add(Counted(1));
    EXPECT_EQ(a.Increase(5), 1);
    EXPECT_EQ(a.Capacity(), 10);
    EXPECT_EQ(a.Increase(0), 1);
    EXPECT_EQ(a.Increase(-3), 1);
    EXPECT_EQ(a.Capacity(), 10);
    EXPECT_EQ(a.Increase(-1), 1);  // count 1 + step 10
    EXPECT_EQ(a.Capacity(), 11);
    EXPECT_EQ(a.Increase(40), 1);
    EXPECT_EQ(a.Capacity(), 40);
    EXPECT_EQ(Values(a), std::vector<int>{1});
}

TEST_F(CMMArrayTest, CopyConstructorTakesExactlyTheCount) {
    struct Case {
        int source_step;
        int elements;
        int capacity;
        int after_one_add;
    } cases[] = {
        {10, 0, 0, 10},
        {10, 3, 3, 13},
        {4, 3, 3, 13},  // the source's step is not taken over
        {10, 12, 12, 22},
    };
    for (const Case& c : cases) {
        Probe<Counted> source(10, c.source_step);
        for (int i = 0; i < c.elements; i++) {
            source.Add(Counted(i));
        }
        Probe<Counted> copy(source);
        EXPECT_EQ(copy.Capacity(), c.capacity);
        EXPECT_EQ(copy.Allocated(), c.capacity > 0);
        EXPECT_EQ(copy.Step(), 10);
        EXPECT_EQ(Values(copy), Values(source));
        EXPECT_EQ(copy.Add(Counted(99)), 1);
        EXPECT_EQ(copy.Capacity(), c.after_one_add);
        EXPECT_EQ(source.GetSize(), c.elements);
    }
}

TEST_F(CMMArrayTest, AddArray) {
    Probe<Counted> a(10, 10);
    a.Add(Counted(1));
    a.Add(Counted(2));
    EXPECT_EQ(a.Add(a), 1);
    EXPECT_EQ(Values(a), (std::vector<int>{1, 2, 1, 2}));

    // Unlike one Add, adding an array may fill the block exactly.
    Probe<Counted> b(10, 10);
    for (int i = 0; i < 6; i++) {
        b.Add(Counted(10 + i));
    }
    EXPECT_EQ(a.Add(b), 1);
    EXPECT_EQ(a.Capacity(), 10);
    EXPECT_EQ(a.GetSize(), 10);
    EXPECT_EQ(a.Add(Counted(7)), 1);
    EXPECT_EQ(a.Capacity(), 20);
    EXPECT_EQ(Values(a), (std::vector<int>{1, 2, 1, 2, 10, 11, 12, 13, 14, 15, 7}));

    Probe<Counted> empty(0, 10);
    EXPECT_EQ(a.Add(empty), 1);
    EXPECT_EQ(a.GetSize(), 11);
    EXPECT_EQ(empty.Add(empty), 1);
    EXPECT_EQ(empty.GetSize(), 0);
    EXPECT_FALSE(empty.Allocated());
}

TEST_F(CMMArrayTest, CopyReplacesAndKeepsTheBlock) {
    Probe<Counted> a(10, 10);
    for (int i = 0; i < 15; i++) {
        a.Add(Counted(i));
    }
    EXPECT_EQ(a.Copy(a), 1);
    EXPECT_EQ(a.GetSize(), 15);
    EXPECT_EQ(a.Capacity(), 19);

    Probe<Counted> b(10, 10);
    b.Add(Counted(7));
    b.Add(Counted(8));
    EXPECT_EQ(a.Copy(b), 1);
    EXPECT_EQ(Values(a), (std::vector<int>{7, 8}));
    EXPECT_EQ(a.Capacity(), 19);

    Probe<Counted> small(1, 10);
    EXPECT_EQ(small.Copy(a), 1);
    EXPECT_EQ(small.Capacity(), 2);
    EXPECT_EQ(Values(small), (std::vector<int>{7, 8}));

    // Assignment copies the elements instead of sharing the block.
    Probe<Counted> c(0, 10);
    c = a;
    a.Purge();
    EXPECT_EQ(Values(c), (std::vector<int>{7, 8}));
}

TEST_F(CMMArrayTest, AddingOwnElementWhileGrowing) {
    CMMArray<CMMString> a(10, 10);
    for (int i = 0; i < 9; i++) {
        CMMString s;
        s.Format("/sdhc:0/MAPPE/%03d", i);
        a.Add(s);
    }
    ASSERT_EQ(a.Add(*a.GetPtr(0)), 1);  // this Add grows the block
    ASSERT_EQ(a.Add(*a.GetPtr(9)), 1);
    ASSERT_EQ(a.GetSize(), 11);
    EXPECT_STREQ(a.GetPtr(9)->GetBuffer(), "/sdhc:0/MAPPE/000");
    EXPECT_STREQ(a.GetPtr(10)->GetBuffer(), "/sdhc:0/MAPPE/000");
}

TEST_F(CMMArrayTest, Access) {
    CMMArray<Counted> a(10, 10);
    a.Add(Counted(5));
    a.Add(Counted(6));
    struct Case {
        int index;
        bool present;
    } cases[] = {{-1, false}, {0, true}, {1, true}, {2, false}, {9, false}, {10, false}};
    for (const Case& c : cases) {
        Counted sentinel;
        Counted* ptr = &sentinel;
        EXPECT_EQ(a.GetPtr(c.index) != nullptr, c.present) << c.index;
        EXPECT_EQ(a.GetPtr(c.index, &ptr), c.present ? 1 : 0) << c.index;
        EXPECT_EQ(ptr, a.GetPtr(c.index));
        Counted out(-42);
        EXPECT_EQ(a.GetCopy(c.index, out), c.present ? 1 : 0) << c.index;
        EXPECT_EQ(out.m_value, c.present ? 5 + c.index : -42);
        const CMMArray<Counted>& view = a;
        EXPECT_EQ(view.GetPtr(c.index), a.GetPtr(c.index));
    }
    EXPECT_EQ(a.GetPtr(0, nullptr), 0);
    a.GetPtr(1)->m_value = 60;  // elements are changed in place
    EXPECT_EQ(Values(a), (std::vector<int>{5, 60}));
}

TEST_F(CMMArrayTest, PurgeLeavesAUsableArray) {
    Probe<Counted> a(10, 7);
    for (int i = 0; i < 12; i++) {
        a.Add(Counted(i));
    }
    a.Purge();
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.Capacity(), 0);
    EXPECT_FALSE(a.Allocated());
    EXPECT_EQ(a.GetPtr(0), nullptr);
    EXPECT_EQ(Counted::s_live, m_live_before);
    a.Purge();
    EXPECT_EQ(a.Add(Counted(3)), 1);
    EXPECT_EQ(a.Capacity(), 7);
    EXPECT_EQ(Values(a), std::vector<int>{3});
}

TEST_F(CMMArrayTest, AllocationFailureChangesNothing) {
    Counted::s_refuse = true;
    Probe<Counted> none(10, 10);
    EXPECT_FALSE(none.Allocated());
    EXPECT_EQ(none.Add(Counted(1)), 0);
    EXPECT_EQ(none.GetSize(), 0);
    Counted::s_refuse = false;

    Probe<Counted> a(10, 10);
    for (int i = 0; i < 9; i++) {
        a.Add(Counted(i));
    }
    Probe<Counted> other(10, 10);
    other.Add(Counted(100));
    other.Add(Counted(101));
    std::vector<int> before = Values(a);

    Counted::s_refuse = true;
    EXPECT_EQ(a.Increase(50), 0);
    EXPECT_EQ(a.Add(Counted(9)), 0);
    EXPECT_EQ(a.Add(other), 0);
    EXPECT_EQ(a.Add(a), 0);
    EXPECT_EQ(a.Capacity(), 10);
    EXPECT_EQ(Values(a), before);
    Counted::s_refuse = false;

    EXPECT_EQ(a.Add(Counted(9)), 1);
    EXPECT_EQ(a.Capacity(), 19);
}

TEST_F(CMMArrayTest, Iteration) {
    CMMArray<Counted> a(10, 10);
    for (int i = 0; i < 4; i++) {
        a.Add(Counted(i * 10));
    }
    std::vector<int> forward, backward;
    CMMIteratorArray<Counted> it(a.GetPtr(0), a.GetSize(), true);
    for (bool more = it.IsValid(); more; more = it.Next()) {
        Counted* p = nullptr;
        ASSERT_EQ(it.GetPtr(&p), 1);
        forward.push_back(p->m_value);
    }
    EXPECT_EQ(it.GetIdx(), 4);
    CMMIterator<Counted>& base = it;
    it.Set(a.GetPtr(0), a.GetSize(), false);
    for (bool more = base.IsValid(); more; more = base.Previous()) {
        Counted c;
        ASSERT_EQ(base.GetCopy(c), 1);
        backward.push_back(c.m_value);
    }
    EXPECT_EQ(base.GetIdx(), -1);
    EXPECT_EQ(forward, (std::vector<int>{0, 10, 20, 30}));
    EXPECT_EQ(backward, (std::vector<int>{30, 20, 10, 0}));
}

enum Step { NEXT, PREVIOUS };

TEST_F(CMMArrayTest, IteratorSteps) {
    Counted block[3] = {Counted(1), Counted(2), Counted(3)};
    struct Case {
        bool null_block;
        int size;
        bool from_start;
        int start_index;
        std::vector<Step> steps;
        std::vector<int> results;
        std::vector<int> indexes;
    } cases[] = {
        {false, 3, true, 0, {NEXT, NEXT, NEXT, NEXT}, {1, 1, 0, 0}, {1, 2, 3, 4}},
        {false, 3, false, 2, {PREVIOUS, PREVIOUS, PREVIOUS}, {1, 1, 0}, {1, 0, -1}},
        {false, 3, true, 0, {PREVIOUS, NEXT}, {0, 1}, {-1, 0}},
        {false, 3, false, 2, {NEXT, PREVIOUS}, {0, 1}, {3, 2}},
        {false, 0, true, 0, {NEXT}, {0}, {1}},
        {false, 0, false, -1, {PREVIOUS}, {0}, {-2}},
        {true, 3, true, 0, {NEXT, PREVIOUS}, {0, 0}, {0, 0}},
        {true, 3, false, 2, {PREVIOUS, NEXT}, {0, 0}, {2, 2}},
    };
    for (const Case& c : cases) {
        CMMIteratorArray<Counted> it(c.null_block ? nullptr : block, c.size, c.from_start);
        EXPECT_EQ(it.GetIdx(), c.start_index);
        for (size_t i = 0; i < c.steps.size(); i++) {
            int result = c.steps[i] == NEXT ? it.Next() : it.Previous();
            EXPECT_EQ(result, c.results[i]) << "case from " << c.start_index << " step " << i;
            EXPECT_EQ(it.GetIdx(), c.indexes[i]) << "case from " << c.start_index << " step " << i;
            bool inside = !c.null_block && c.indexes[i] >= 0 && c.indexes[i] < c.size;
            EXPECT_EQ(it.IsValid(), inside ? 1 : 0);
            Counted* p = nullptr;
            EXPECT_EQ(it.GetPtr(&p), inside ? 1 : 0);
            EXPECT_EQ(p, inside ? &block[c.indexes[i]] : nullptr);
            Counted out(-1);
            EXPECT_EQ(it.GetCopy(out), inside ? 1 : 0);
            EXPECT_EQ(out.m_value, inside ? block[c.indexes[i]].m_value : -1);
        }
    }
    CMMIteratorArray<Counted> it(block, 3, true);
    EXPECT_EQ(it.GetPtr(nullptr), 0);
    CMMIteratorArray<Counted> empty;
    EXPECT_EQ(empty.IsValid(), 0);
    EXPECT_EQ(empty.GetIdx(), 0);
    EXPECT_EQ(empty.Next(), 0);
}

// A descriptor line: several texts copied field by field.
struct DescriLine {
    CMMString m_kind;
    CMMString m_relative_path;
    CMMString m_c3;
    CMMString m_c4;
    CMMString m_c5;
    long long ll_size = 0;
};

TEST_F(CMMArrayTest, RecordsOfStringsSurviveGrowthAndCopies) {
    CMMArray<DescriLine> a(10, 10);
    for (int i = 0; i < 25; i++) {
        DescriLine l;
        l.m_kind = "CID";
        l.m_relative_path.Format("DATA\\MAPPE\\%03d\\%03d.BIN", i, i);
        l.ll_size = 1000LL * 1000 * 1000 * i;
        ASSERT_EQ(a.Add(l), 1);
    }
    CMMArray<DescriLine> b(a);
    b.Add(b);
    a.Purge();
    ASSERT_EQ(b.GetSize(), 50);
    for (int i = 0; i < 50; i++) {
        DescriLine l;
        ASSERT_EQ(b.GetCopy(i, l), 1);
        CMMString expected;
        expected.Format("DATA\\MAPPE\\%03d\\%03d.BIN", i % 25, i % 25);
        EXPECT_TRUE(l.m_relative_path == expected) << i;
        EXPECT_TRUE(l.m_kind == "CID");
        EXPECT_EQ(l.ll_size, 1000LL * 1000 * 1000 * (i % 25));
    }
}

}  // namespace
