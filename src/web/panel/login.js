// The login form: one password, then the panel. Failures are said in words.
const form = document.getElementById('login');
const field = document.getElementById('password');
const error = document.getElementById('error');

form.addEventListener('submit', async (event) => {
    event.preventDefault();
    error.textContent = '';
    const button = form.querySelector('button');
    button.disabled = true;
    try {
        const response = await fetch('/login', {
            method : 'POST',
            headers : {'Content-Type' : 'application/json'},
            body : JSON.stringify({password : field.value}),
            credentials : 'same-origin',
        });
        if (response.ok) {
            location.replace('/');
            return;
        }
        if (response.status === 401) {
            error.textContent = 'That password is not right.';
        } else if (response.status === 429) {
            const wait = Number(response.headers.get('Retry-After')) || 300;
            error.textContent = `Too many wrong passwords. Try again in ${Math.ceil(wait / 60)} minute${
                wait > 60 ? 's' : ''}.`;
        } else {
            const data = await response.json().catch(() => null);
            error.textContent = data?.error || `Login failed (${response.status}).`;
        }
    } catch {
        error.textContent = 'Cannot reach korvexd.';
    }
    button.disabled = false;
    field.select();
});
