/*
 * The plugin's growable array: elements held by value in one contiguous
 * block, grown linearly by the growth step. Results are 1 for success and 0
 * for failure; nothing throws and nothing is logged.
 */
#ifndef CONTAINERS_CMMARRAY_H
#define CONTAINERS_CMMARRAY_H

#include <climits>
#include <functional>
#include <new>

template <class T>
class CMMArray;

/* Abstract iterator; the virtual operations keep this slot order. */
template <class T>
class CMMIterator {
  public:
    CMMIterator() : m_is_free(0), m_index(-1) {}

    virtual int GetCopy(T& p_out) const = 0;
    virtual int GetPtr(T** p_out) = 0;
    virtual int Next() = 0;
    virtual int Previous() = 0;
    virtual int IsValid() const = 0;
    virtual int GetIdx() const { return m_index; }
    virtual ~CMMIterator() {}

  protected:
    template <class U>
    friend class CMMArray;

    int m_is_free; /* 1 while free in an array's pool */
    int m_index;   /* current position, -1 when unset */
};

/* Iterates over m_size elements starting at m_base; does not own them. */
template <class T>
class CMMIteratorArray : public CMMIterator<T> {
  public:
    CMMIteratorArray(T* p_base = nullptr, int p_size = 0, bool p_from_start = true)
        : m_base(nullptr), m_size(0) {
        Set(p_base, p_size, p_from_start);
    }

    int GetCopy(T& p_out) const override {
        if (!IsValid()) {
            return 0;
        }
        p_out = m_base[this->m_index];
        return 1;
    }

    int GetPtr(T** p_out) override {
        if (!IsValid() || p_out == nullptr) {
            return 0;
        }
        *p_out = &m_base[this->m_index];
        return 1;
    }

    int Next() override { return NextElem(true); }
    int Previous() override { return NextElem(false); }

    int IsValid() const override {
        return (m_base != nullptr && this->m_index >= 0 && this->m_index < m_size) ? 1 : 0;
    }

    void Set(T* p_base, int p_size, bool p_from_start) {
        m_base = p_base;
        m_size = p_size;
        this->m_index = p_from_start ? 0 : p_size - 1;
    }

    /* The index moves even when it leaves the range, so the result tells the caller to stop. */
    int NextElem(bool p_forward) {
        if (m_base == nullptr) {
            return 0;
        }
        if (p_forward) {
            this->m_index++;
            return this->m_index < m_size ? 1 : 0;
        }
        this->m_index--;
        return this->m_index >= 0 ? 1 : 0;
    }

  protected:
    T* m_base;
    int m_size;
};

template <class T>
class CMMArray {
  public:
    /* Growth step p_step when positive, else 10; then room for p_initial (-1: one step). */
    CMMArray(int p_initial = 10, int p_step = 10)
        : m_data(nullptr), m_count(0), m_capacity(0), m_growth_step(p_step > 0 ? p_step : 10) {
        InitIterators();
        Increase(p_initial);
    }

    /* Capacity is exactly the source's count; the growth step is the default one. */
    CMMArray(const CMMArray& p_other)
        : m_data(nullptr), m_count(0), m_capacity(0), m_growth_step(10) {
        InitIterators();
        Copy(p_other);
    }

    /* Deep copy; the block would otherwise be shared and released twice. */
    CMMArray& operator=(const CMMArray& p_other) {
        Copy(p_other);
        return *this;
    }

    virtual ~CMMArray() { Purge(); }

    /* Room for at least p_n elements (-1: m_count + growth step); never shrinks. */
    int Increase(int p_n) {
        if (p_n == -1) {
            if (m_count > INT_MAX - m_growth_step) {
                return 0;
            }
            p_n = m_count + m_growth_step;
        }
        if (p_n <= 0 || m_capacity >= p_n) {
            return 1;
        }
        T* l_data = new (std::nothrow) T[p_n];
        if (l_data == nullptr) {
            return 0;
        }
        for (int i = 0; i < m_count; i++) {
            l_data[i] = m_data[i];
        }
        delete[] m_data;
        m_data = l_data;
        m_capacity = p_n;
        return 1;
    }

    int Add(const T& p_elem) {
        if (m_count + 1 >= m_capacity) {
            if (Contains(&p_elem)) {
                /* The element lives in the block that growth releases. */
                T l_elem(p_elem);
                if (Increase(-1) == 0) {
                    return 0;
                }
                return Put(l_elem);
            }
            if (Increase(-1) == 0) {
                return 0;
            }
        }
        return Put(p_elem);
    }

    /* Appends copies of p_other's elements; adding an array to itself doubles it. */
    int Add(const CMMArray& p_other) {
        if (&p_other == this) {
            CMMArray l_copy(p_other);
            if (l_copy.m_count != m_count) {
                return 0; /* the copy could not be allocated */
            }
            return Add(l_copy);
        }
        int l_count = p_other.m_count;
        if (m_count > INT_MAX - l_count || Increase(m_count + l_count) == 0) {
            return 0;
        }
        for (int i = 0; i < l_count; i++) {
            T& l_slot = m_data[m_count];
            m_count++;
            p_other.GetCopy(i, l_slot);
        }
        return 1;
    }

    /* Replaces the content; the block is kept and its slots overwritten. */
    int Copy(const CMMArray& p_other) {
        if (&p_other == this) {
            return 1;
        }
        m_count = 0;
        return Add(p_other);
    }

    T* GetPtr(int p_index) {
        return (m_data != nullptr && p_index >= 0 && p_index < m_count) ? &m_data[p_index]
                                                                        : nullptr;
    }

    const T* GetPtr(int p_index) const {
        return (m_data != nullptr && p_index >= 0 && p_index < m_count) ? &m_data[p_index]
                                                                        : nullptr;
    }

    int GetPtr(int p_index, T** p_out) {
        if (p_out == nullptr) {
            return 0;
        }
        *p_out = GetPtr(p_index);
        return *p_out != nullptr ? 1 : 0;
    }

    int GetCopy(int p_index, T& p_out) const {
        const T* l_elem = GetPtr(p_index);
        if (l_elem == nullptr) {
            return 0;
        }
        p_out = *l_elem;
        return 1;
    }

    /* Releases every element and the block; the array stays usable. */
    void Purge() {
        m_count = 0;
        m_capacity = 0;
        if (m_data != nullptr) {
            delete[] m_data;
            m_data = nullptr;
        }
    }

    void InitIterators() {
        for (int i = 0; i < k_pool_size; i++) {
            m_iterators[i].m_is_free = 1;
        }
        m_free_iterators = k_pool_size;
    }

    int GetSize() const { return m_count; }

  protected:
    static const int k_pool_size = 5;

    bool Contains(const T* p_elem) const {
        std::less<const T*> l_less;
        return m_data != nullptr && !l_less(p_elem, m_data) && l_less(p_elem, m_data + m_capacity);
    }

    int Put(const T& p_elem) {
        if (m_data == nullptr || m_count >= m_capacity) {
            return 0;
        }
        m_data[m_count] = p_elem;
        m_count++;
        return 1;
    }

    T* m_data;
    int m_count;
    int m_capacity;
    int m_growth_step;
    CMMIteratorArray<T> m_iterators[k_pool_size];
    int m_free_iterators;
};

#endif /* CONTAINERS_CMMARRAY_H */
