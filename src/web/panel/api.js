// korvexd's JSON API and its events socket, as the panel uses them (see docs/api.md).

// A failed request, with a message fit to show a person.
export class ApiError extends Error {
    constructor(status, message) {
        super(message);
        this.status = status;
    }
}

const kFallback = {
    400 : 'The request was not understood.',
    401 : 'Please log in again.',
    403 : 'This page is not allowed to make changes.',
    404 : 'Not found.',
    409 : 'That conflicts with a lock or an existing name.',
    413 : 'That is too much at once.',
    422 : 'A value is out of range.',
    429 : 'Too many attempts: wait a few minutes.',
    503 : 'The switcher line is not on.',
    504 : 'The switcher did not confirm in time.',
};

let userName = '';
let leaving = false;

// Goes to the login page once: a logout, a refused request and the events socket closed by the
// session's end can all ask for it together, and a second navigation would abort the first.
export function toLogin() {
    if (leaving)
        return;
    leaving = true;
    location.assign('/login');
}

// The name the activity list shows for this panel's changes.
export function setUser(name) { userName = name; }

export async function request(method, path, body) {
    const headers = {};
    if (body !== undefined)
        headers['Content-Type'] = 'application/json';
    if (userName)
        headers['X-Korvex-User'] = encodeURIComponent(userName);
    let response;
    try {
        response = await fetch(path, {
            method,
            headers,
            body : body === undefined ? undefined : JSON.stringify(body),
            credentials : 'same-origin',
        });
    } catch {
        throw new ApiError(0, 'Cannot reach korvexd.');
    }
    if (response.status === 401 && path !== '/login') {
        toLogin();
        throw new ApiError(401, kFallback[401]);
    }
    const text = await response.text();
    let data = null;
    try {
        data = text ? JSON.parse(text) : null;
    } catch {
        data = null;
    }
    if (!response.ok) {
        const message = data && typeof data.error === 'string' && data.error ? data.error : null;
        throw new ApiError(response.status,
                           sentence(message) || kFallback[response.status] || `Error ${response.status}.`);
    }
    return data;
}

// Server messages are lower-case phrases; shown alone they read better as a sentence.
function sentence(text) {
    if (!text)
        return text;
    const first = text.charAt(0).toUpperCase() + text.slice(1);
    return /[.!?]$/.test(first) ? first : first + '.';
}

// The events socket: calls onMessage for every message, onStatus(true/false) when it connects or
// drops, and connects again by itself with a growing pause (0.25 s .. 3 s) until it is back.
export class Events {
    constructor(onMessage, onStatus) {
        this.m_onMessage = onMessage;
        this.m_onStatus = onStatus;
        this.m_delay = 250;
        this.m_socket = null;
        this.m_timer = 0;
    }

    start() {
        const url = (location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/api/events';
        const socket = new WebSocket(url);
        this.m_socket = socket;
        let opened = false;
        socket.onopen = () => { opened = true; };
        socket.onmessage = (event) => {
            let message;
            try {
                message = JSON.parse(event.data);
            } catch {
                return;
            }
            if (message.type === 'snapshot') {
                this.m_delay = 250;
                this.m_onStatus(true);
            }
            this.m_onMessage(message);
        };
        socket.onclose = (event) => {
            if (this.m_socket !== socket)
                return;
            this.m_socket = null;
            this.m_onStatus(false);
            if (event.code === 4001) {
                toLogin();
                return;
            }
            // A refused handshake looks like any drop; ask once whether the session is gone.
            if (!opened)
                this.checkLogin();
            this.m_timer = setTimeout(() => this.start(), this.m_delay);
            this.m_delay = Math.min(this.m_delay * 2, 3000);
        };
    }

    async checkLogin() {
        try {
            const response = await fetch('/api/devices', {credentials : 'same-origin'});
            if (response.status === 401)
                toLogin();
        } catch {
            // korvexd is away: keep trying.
        }
    }
}
